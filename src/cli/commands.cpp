#include "cli/commands.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "base/text_order.h"
#include "cli/render_command.h"
#include "cli/sifi_info.h"
#include "database/sound_database.h"
#include "export/export_commands.h"
#include "import/format_lists.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "import/sifi/sifi_import.h"
#include "import/soundfont/soundfont_import.h"
#include "import/soundfont/soundfont_info.h"
#include "library/category.h"
#include "library/instrument_texts.h"
#include "library/library.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";
// The width `formats` fills, as --help does.
constexpr std::size_t kFormatsWidth = 88;

// One drop: the library, the database it takes categories from, and the rows as the list shows
// them right after the drop.
struct Drop {
  SoundDatabase database;
  std::filesystem::path databasePath;
  DatabaseLoad databaseLoad = DatabaseLoad::kAbsent;
  Library library;
  std::vector<Instrument*> rows;
};

// A drop left to the process's end (Leftovers::kLeaveToExit): still reachable from here, so
// no leak to a checker, only never freed.
Drop* leftToExit = nullptr;

std::size_t DisplayWidth(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The list's columns, and with `programs` a SoundFont preset's bank and program after them.
std::vector<std::string> RowTexts(const Instrument& instrument, bool programs) {
  std::vector<std::string> texts{Windows1252ToUtf8(instrument.name),
                                 CategoryText(instrument.category),
                                 CollectionText(instrument),
                                 SamplesText(instrument),
                                 SizeText(GetInstrumentStats(instrument).sampleBytes),
                                 SoundIdText(instrument.soundId)};
  if (programs) texts.push_back(ProgramText(instrument));
  return texts;
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

// Names a file that was not imported whole, with the reason, and each note on what its
// instruments only approximate. `added` instruments came from it.
void ReportOutcome(const std::string& file, const ImportOutcome& outcome, std::size_t added,
                   std::ostream& err) {
  for (const std::string& line : ImportOutcomeLines(outcome, added))
    err << kProgram << file << ": " << line << '\n';
}

// Imports every file in order as one drop. A file that cannot be opened, is not recognised or
// is damaged is named on stderr and the rest are imported all the same; false when there was
// such a file. Notes are named too, but a file with notes only was imported.
bool ImportDrop(const Options& options, Drop& drop, std::ostream& err) {
  drop.databasePath =
      options.database ? PathFromUtf8(*options.database) : DefaultSoundDatabasePath();
  drop.databaseLoad = LoadSoundDatabase(drop.database, drop.databasePath);
  if (drop.databaseLoad == DatabaseLoad::kUnreadable) {
    err << kProgram << "cannot read the sound database " << PathToUtf8(drop.databasePath)
        << " (remembered categories are not shown, and it is not saved over)\n";
  }
  ClearLibrary(drop.library);
  bool whole = true;
  for (const std::string& file : options.files) {
    const std::size_t before = drop.library.instruments.size();
    const ImportOutcome outcome =
        ImportFile(drop.library, drop.database, file, nullptr, options.import);
    if (ImportExitStatus(outcome) != 0) whole = false;
    ReportOutcome(file, outcome, drop.library.instruments.size() - before, err);
  }
  for (const auto& instrument : drop.library.instruments) drop.rows.push_back(instrument.get());
  std::stable_sort(drop.rows.begin(), drop.rows.end(),
                   [](const Instrument* a, const Instrument* b) {
                     return CompareRows(*a, *b, kInitialSortKey) < 0;
                   });
  return whole;
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

void PrintList(const Drop& drop, bool tsv, bool programs, std::ostream& out) {
  std::vector<std::vector<std::string>> lines;
  if (!tsv) {
    lines.push_back({"Sound-Name", "Category", "Coll", "Samples", "Size", "SoundID"});
    if (programs) lines.back().push_back("Program");
  }
  for (const Instrument* instrument : drop.rows) lines.push_back(RowTexts(*instrument, programs));
  if (tsv) {
    for (const auto& line : lines) {
      for (std::size_t c = 0; c < line.size(); ++c)
        out << line[c] << (c + 1 < line.size() ? '\t' : '\n');
    }
    return;
  }
  std::vector<std::size_t> widths(lines.front().size(), 0);
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

// Groups whose tables did not fit one group chunk were written as several, each with its own copy
// of the samples its instruments play: a file larger than it would be, named with the cost.
void ReportSplits(const std::vector<GroupSplit>& splits, std::ostream& err) {
  for (const GroupSplit& split : splits) {
    err << kProgram << "group of " << Windows1252ToUtf8(split.firstInstrument) << " written as "
        << split.parts << " groups (its tables do not fit one): " << SizeText(split.duplicatedBytes)
        << " of sample data stored more than once\n";
  }
}

// Looped samples whose junction clicks, and where --snap-loops moved them.
void ReportLoops(const std::vector<ClickingLoop>& loops, std::ostream& err) {
  for (const ClickingLoop& loop : loops)
    err << kProgram << Windows1252ToUtf8(ClickingLoopText(loop)) << '\n';
}

int Export(const Options& options, Drop& drop, std::ostream& out, std::ostream& err) {
  std::vector<const Instrument*> checked;
  if (!CheckedRows(options, drop, checked, err)) return 1;
  if (std::none_of(checked.begin(), checked.end(),
                   [](const Instrument* i) { return i->group != nullptr; })) {
    err << kProgram << "nothing to export (no instrument with samples is selected)\n";
    return 1;
  }
  ReportQuietInstruments(checked, err);
  if (options.command == Command::ExportCollection) {
    const ExportResult result =
        ExportCollection(checked, PathFromUtf8(options.target), nullptr, options.exportOptions);
    if (!result) {
      // Reasons name instruments, whose names are Windows-1252.
      err << kProgram << "cannot write " << options.target << ": "
          << Windows1252ToUtf8(result.reason) << '\n';
      return 1;
    }
    ReportSplits(result.splits, err);
    ReportLoops(result.loops, err);
    out << "wrote " << options.target << '\n';
    return 0;
  }
  const std::filesystem::path folder = PathFromUtf8(options.target);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder, error)) {
    err << kProgram << options.target << ": not a folder\n";
    return 1;
  }
  const SingleExportResult result =
      ExportSingleInstruments(drop.library, checked, folder, nullptr, options.exportOptions);
  ReportSplits(result.splits, err);
  ReportLoops(result.loops, err);
  for (const auto& file : result.written) out << "wrote " << PathToUtf8(file) << '\n';
  for (const auto& failure : result.failures) err << kProgram << "cannot write " << failure << '\n';
  return result.ok() ? 0 : 1;
}

// Renders the first instrument of the list, or the one --only names.
int Render(const Options& options, const Drop& drop, std::ostream& out, std::ostream& err) {
  std::vector<const Instrument*> checked;
  if (!CheckedRows(options, drop, checked, err)) return 1;
  if (checked.empty()) {
    err << kProgram << "nothing to render (no instrument was imported)\n";
    return 1;
  }
  return RenderInstrument(*checked.front(), options, out, err);
}

int Info(const Options& options, std::ostream& out, std::ostream& err) {
  const std::string& file = options.files.front();
  const auto mapped = MappedFile::Open(PathFromUtf8(file));
  if (!mapped) {
    err << kProgram << file << ": cannot open file\n";
    return 1;
  }
  std::string error;
  bool bank = false;
  if (!DescribeSiFi(mapped->bytes(), file, out, error)) {
    std::string damage;
    bank = DescribeSoundFont(mapped->bytes(), file, out, damage);
    if (!bank) {
      err << kProgram << file << ": " << (damage.empty() ? error : "damaged: " + damage) << '\n';
      return 1;
    }
  }
  // The importer's verdict on the same bytes, so that info and list name the same damage: a
  // bank's in either of its modes.
  for (const SoundFontMode mode : {SoundFontMode::Instruments, SoundFontMode::Presets}) {
    Library library;
    Source& source = CreateSource(library, file);
    ImportView view{mapped->bytes(), 0, nullptr};
    view.settings.soundFont = mode;
    const ImportOutcome outcome =
        bank ? ImportSoundFont(library, source, view) : ImportSiFi(library, source, view);
    if (outcome.status != ImportStatus::Damaged) {
      if (!bank) return 0;
      continue;
    }
    ReportOutcome(file, outcome, 0, err);
    return 1;
  }
  return 0;
}

// Saves the categories this run gave. SaveSoundDatabase never writes over a file it cannot
// read; false, after saying why, when nothing was saved.
bool SaveDatabase(Drop& drop, std::ostream& err) {
  if (SaveSoundDatabase(drop.database, drop.databasePath)) return true;
  err << kProgram << "the categories given are not saved: ";
  if (drop.databaseLoad == DatabaseLoad::kUnreadable)
    err << "the sound database " << PathToUtf8(drop.databasePath) << " cannot be read\n";
  else
    err << "cannot write the sound database " << PathToUtf8(drop.databasePath) << '\n';
  return false;
}

}  // namespace

int Run(const Options& options, std::ostream& out, std::ostream& err, Leftovers leftovers) {
  if (options.command == Command::Help) {
    out << UsageText();
    return 0;
  }
  if (options.command == Command::Formats) {
    out << (options.markdown ? MarkdownFormatTable() : HelpFormatsText(kFormatsWidth));
    return 0;
  }
  if (options.command == Command::Info) return Info(options, out, err);

  auto owned = std::make_unique<Drop>();
  Drop& drop = *owned;
  if (leftovers == Leftovers::kLeaveToExit) leftToExit = owned.release();
  const bool whole = ImportDrop(options, drop, err);
  if (!ApplyCategories(options, drop, err)) return 1;
  int status = 0;
  if (options.command == Command::List)
    PrintList(drop, options.tsv, options.programs, out);
  else if (options.command == Command::Render)
    status = Render(options, drop, out, err);
  else
    status = Export(options, drop, out, err);
  // Only a command that gave categories has anything to remember; the others leave the file
  // alone.
  if (!options.categories.empty() && !SaveDatabase(drop, err)) status = 1;
  return whole ? status : 1;
}

}  // namespace tolvane::cli
