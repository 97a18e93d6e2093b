#include "cli/commands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/text_order.h"
#include "cli/sifi_info.h"
#include "database/sound_database.h"
#include "export/export_commands.h"
#include "import/import_file.h"
#include "library/category.h"
#include "library/instrument_texts.h"
#include "library/library.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";

// One drop: the library, the database it takes categories from, and the rows as the list shows
// them right after the drop.
struct Drop {
  SoundDatabase database;
  std::filesystem::path databasePath;
  Library library;
  std::vector<Instrument*> rows;
};

std::size_t DisplayWidth(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::array<std::string, 6> RowTexts(const Instrument& instrument) {
  return {Windows1252ToUtf8(instrument.name),
          CategoryText(instrument.category),
          CollectionText(instrument),
          SamplesText(instrument),
          SizeText(GetInstrumentStats(instrument).sampleBytes),
          SoundIdText(instrument.soundId)};
}

bool SameName(const Instrument& instrument, const std::string& utf8Name) {
  return CompareCaseInsensitive(instrument.name, Utf8ToWindows1252(utf8Name)) == 0;
}

std::optional<CategoryCode> MenuCode(std::string_view text) {
  if (text.size() != 2) return std::nullopt;
  const CategoryCode code = MakeCategoryCode(text[0], text[1]);
  for (const CategoryMenuEntry& entry : CategoryMenu())
    if (entry.kind == CategoryMenuEntry::Item && entry.code == code) return code;
  return std::nullopt;
}

// Imports every file in order as one drop. False (after saying why) when a file cannot be read.
bool ImportDrop(const Options& options, Drop& drop, std::ostream& err) {
  for (const std::string& file : options.files) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || !MappedFile::Open(file)) {
      err << kProgram << file << ": cannot open file\n";
      return false;
    }
  }
  drop.databasePath =
      options.database ? std::filesystem::path(*options.database) : DefaultSoundDatabasePath();
  LoadSoundDatabase(drop.database, drop.databasePath);
  ClearLibrary(drop.library);
  for (const std::string& file : options.files) {
    if (!ImportFile(drop.library, drop.database, file))
      err << kProgram << file << ": not recognised (no instruments imported)\n";
  }
  for (const auto& instrument : drop.library.instruments) drop.rows.push_back(instrument.get());
  std::stable_sort(drop.rows.begin(), drop.rows.end(),
                   [](const Instrument* a, const Instrument* b) {
                     return CompareRows(*a, *b, kInitialSortKey) < 0;
                   });
  return true;
}

// Gives instruments their categories as the list's menu does. False when a name or code is bad.
bool ApplyCategories(const Options& options, Drop& drop, std::ostream& err) {
  for (const auto& [name, codeText] : options.categories) {
    const auto code = MenuCode(codeText);
    if (!code) {
      err << kProgram << "unknown category code '" << codeText
          << "' (two letters from the category menu, such as KC, A@, x@ or @@)\n";
      return false;
    }
    bool found = false;
    for (Instrument* instrument : drop.rows) {
      if (!SameName(*instrument, name)) continue;
      found = true;
      SetInstrumentCategory(*instrument, *code);
    }
    if (!found) {
      err << kProgram << "--category: no instrument named '" << name << "'\n";
      return false;
    }
  }
  return true;
}

// The rows to export: all of them, or those named by --only.
bool CheckedRows(const Options& options, const Drop& drop, std::vector<const Instrument*>& checked,
                 std::ostream& err) {
  for (const std::string& name : options.only) {
    if (std::none_of(drop.rows.begin(), drop.rows.end(),
                     [&](const Instrument* i) { return SameName(*i, name); })) {
      err << kProgram << "--only: no instrument named '" << name << "'\n";
      return false;
    }
  }
  for (const Instrument* instrument : drop.rows) {
    if (options.only.empty() ||
        std::any_of(options.only.begin(), options.only.end(),
                    [&](const std::string& name) { return SameName(*instrument, name); }))
      checked.push_back(instrument);
  }
  return true;
}

void PrintList(const Drop& drop, bool tsv, std::ostream& out) {
  std::vector<std::array<std::string, 6>> lines;
  if (!tsv) lines.push_back({"Sound-Name", "Category", "Coll", "Samples", "Size", "SoundID"});
  for (const Instrument* instrument : drop.rows) lines.push_back(RowTexts(*instrument));
  if (tsv) {
    for (const auto& line : lines)
      out << line[0] << '\t' << line[1] << '\t' << line[2] << '\t' << line[3] << '\t' << line[4]
          << '\t' << line[5] << '\n';
    return;
  }
  std::array<std::size_t, 6> widths{};
  for (const auto& line : lines)
    for (std::size_t c = 0; c < widths.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(line[c]));
  for (const auto& line : lines) {
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

int Export(const Options& options, Drop& drop, std::ostream& out, std::ostream& err) {
  std::vector<const Instrument*> checked;
  if (!CheckedRows(options, drop, checked, err)) return 1;
  if (std::none_of(checked.begin(), checked.end(),
                   [](const Instrument* i) { return i->group != nullptr; })) {
    err << kProgram << "nothing to export (no instrument with samples is selected)\n";
    return 1;
  }
  if (options.command == Command::ExportCollection) {
    const ExportResult result = ExportCollection(checked, options.target);
    if (!result) {
      // Reasons name instruments, whose names are Windows-1252.
      err << kProgram << "cannot write " << options.target << ": "
          << Windows1252ToUtf8(result.reason) << '\n';
      return 1;
    }
    out << "wrote " << options.target << '\n';
    return 0;
  }
  std::error_code error;
  std::filesystem::create_directories(options.target, error);
  if (!std::filesystem::is_directory(options.target, error)) {
    err << kProgram << options.target << ": not a folder\n";
    return 1;
  }
  const SingleExportResult result = ExportSingleInstruments(drop.library, checked, options.target);
  for (const auto& file : result.written) out << "wrote " << file.string() << '\n';
  for (const auto& failure : result.failures) err << kProgram << "cannot write " << failure << '\n';
  return result.ok() ? 0 : 1;
}

int Info(const Options& options, std::ostream& out, std::ostream& err) {
  const std::string& file = options.files.front();
  const auto mapped = MappedFile::Open(file);
  if (!mapped) {
    err << kProgram << file << ": cannot open file\n";
    return 1;
  }
  std::string error;
  if (!DescribeSiFi(mapped->bytes(), file, out, error)) {
    err << kProgram << file << ": " << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int Run(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.command == Command::Help) {
    out << kUsage;
    return 0;
  }
  if (options.command == Command::Info) return Info(options, out, err);

  Drop drop;
  if (!ImportDrop(options, drop, err)) return 1;
  int status = ApplyCategories(options, drop, err) ? 0 : 1;
  if (status == 0) {
    if (options.command == Command::List)
      PrintList(drop, options.tsv, out);
    else
      status = Export(options, drop, out, err);
  }
  // Remembered categories are kept whatever happened, as the window keeps them at exit.
  if (!SaveSoundDatabase(drop.database, drop.databasePath))
    err << kProgram << "warning: cannot save the sound database " << drop.databasePath.string()
        << '\n';
  return status;
}

}  // namespace tolvane::cli
