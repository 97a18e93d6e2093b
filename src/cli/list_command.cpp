#include "cli/list_command.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "base/encoding.h"
#include "export/export_size.h"
#include "library/instrument_texts.h"

namespace tolvane::cli {
namespace {

using Line = std::vector<std::string>;

std::size_t DisplayWidth(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The six columns of the list, then those asked for.
Line RowTexts(const Instrument& instrument, bool programs, bool importedNames) {
  Line texts{Windows1252ToUtf8(instrument.name),
             CategoryText(instrument.category),
             CollectionText(instrument),
             SamplesText(instrument),
             SizeText(GetInstrumentStats(instrument).sampleBytes),
             SoundIdText(instrument.soundId)};
  if (programs) texts.push_back(ProgramText(instrument));
  if (importedNames) texts.push_back(Windows1252ToUtf8(instrument.foundName));
  return texts;
}

// The text of a menu code as the list's Category column words it; "Other" and a main category
// without sub-categories by their menu names.
std::string CodeText(const CategoryMenuEntry& item, std::string_view subMenu) {
  if (subMenu.empty()) return std::string(item.name);
  return std::string(item.name) + ' ' + std::string(subMenu);
}

std::string CodeLetters(CategoryCode code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

}  // namespace

void PrintList(const Drop& drop, bool tsv, bool importedNames, bool programs, std::ostream& out) {
  // Scripts parse the six columns: more only when asked for. The aligned list shows the names
  // as imported anyway when one differs from its Sound-Name.
  const bool differ = std::any_of(drop.rows.begin(), drop.rows.end(), [](const Instrument* i) {
    return Windows1252ToUtf8(i->name) != Windows1252ToUtf8(i->foundName);
  });
  const bool names = importedNames || (!tsv && differ);
  std::vector<Line> lines;
  if (!tsv) {
    lines.push_back({"Sound-Name", "Category", "Coll", "Samples", "Size", "SoundID"});
    if (programs) lines.back().push_back("Program");
    if (names) lines.back().push_back("Imported-Name");
  }
  for (const Instrument* instrument : drop.rows)
    lines.push_back(RowTexts(*instrument, programs, names));
  if (tsv) {
    for (const Line& line : lines) {
      for (std::size_t c = 0; c < line.size(); ++c)
        out << line[c] << (c + 1 < line.size() ? '\t' : '\n');
    }
    return;
  }
  std::vector<std::size_t> widths(lines.front().size(), 0);
  for (const Line& line : lines)
    for (std::size_t c = 0; c < widths.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(line[c]));
  for (const Line& line : lines) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size()) text.append(widths[c] - DisplayWidth(line[c]) + 2, ' ');
    }
    out << text << '\n';
  }
  const std::size_t count = drop.rows.size();
  out << count << (count == 1 ? " instrument\n" : " instruments\n");
}

bool PrintExportSize(const Options& options, const Drop& drop, std::ostream& out,
                     std::ostream& err) {
  std::vector<const Instrument*> checked;
  if (!CheckedRows(options, drop, checked, err)) return false;
  const ExportOptions& fit = options.exportOptions;
  const ExportSize size = MeasureExport(checked, fit);
  out << "export size: ";
  if (size.collectionBytes > 0)
    out << SizeText(size.collectionBytes) << " (" << size.collectionBytes
        << " bytes) as one collection";
  else
    out << "no collection (" << Windows1252ToUtf8(size.collectionProblem) << ")";
  out << ", " << SizeText(size.singleBytes) << " in " << size.singleFiles
      << (size.singleFiles == 1 ? " single file" : " single files");
  if (size.singleFailures > 0) out << " (" << size.singleFailures << " too large to write)";
  out << '\n';
  for (const std::string& text : FitSavingsTexts(size.saved, fit.fitting())) out << text << '\n';
  return true;
}

void PrintCategories(std::ostream& out) {
  std::string_view subMenu;
  for (const CategoryMenuEntry& entry : CategoryMenu()) {
    if (entry.kind == CategoryMenuEntry::SubMenuBegin) subMenu = entry.name;
    if (entry.kind == CategoryMenuEntry::SubMenuEnd) subMenu = {};
    if (entry.kind == CategoryMenuEntry::Item)
      out << CodeLetters(entry.code) << "  " << CodeText(entry, subMenu) << '\n';
  }
}

std::optional<CategoryCode> MenuCode(std::string_view text) {
  if (text.size() != 2) return std::nullopt;
  const CategoryCode code = MakeCategoryCode(text[0], text[1]);
  for (const CategoryMenuEntry& entry : CategoryMenu())
    if (entry.kind == CategoryMenuEntry::Item && entry.code == code) return code;
  return std::nullopt;
}

std::string UnknownCategoryText(std::string_view text) {
  std::string message = "unknown category code '" + std::string(text) + "' (";
  // A known main letter: its own codes. Otherwise the main letters, each with its name.
  for (const MainCategory& main : CategoryTable()) {
    if (text.empty() || text[0] != main.letter || main.subCategories.empty()) continue;
    message += std::string(main.name) + " takes";
    for (const SubCategory& sub : main.subCategories)
      message += ' ' + CodeLetters(MakeCategoryCode(main.letter, sub.letter)) + ' ' +
                 std::string(sub.name) + (&sub != &main.subCategories.back() ? "," : "");
    return message + "; tolvane-convert categories lists every code)";
  }
  message += "the first letter names the main category:";
  std::string plain;  // main categories without sub-categories, and Other: whole codes
  for (const MainCategory& main : CategoryTable()) {
    if (main.subCategories.empty())
      plain +=
          ", " + CodeLetters(MakeCategoryCode(main.letter, '@')) + ' ' + std::string(main.name);
    else
      message += ' ' + std::string(1, main.letter) + ' ' + std::string(main.name) + ',';
  }
  message.back() = ';';
  return message + plain.substr(1) + ", @@ Other; tolvane-convert categories lists every code)";
}

}  // namespace tolvane::cli
