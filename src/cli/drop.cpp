#include "cli/drop.h"

#include <algorithm>
#include <ostream>
#include <unordered_set>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/text_order.h"
#include "cli/list_command.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/category_suggestions.h"
#include "library/instrument_texts.h"

namespace tolvane::cli {
namespace {

constexpr const char* kProgram = "tolvane-convert: ";

bool SameName(const Instrument& instrument, const std::string& utf8Name) {
  return CompareCaseInsensitive(instrument.name, Utf8ToWindows1252(utf8Name)) == 0;
}

void ReportFile(const FileOutcome& file, bool asNote, std::ostream& err) {
  for (const std::string& line : ImportOutcomeLines(file.outcome, file.added)) {
    const bool note = line.starts_with("note: ");
    err << kProgram << file.file << ": " << (asNote && !note ? "note: " : "") << line << '\n';
  }
}

// Files that gave no instrument although they were meant to: not opened, not recognised, not
// read, or damaged before any instrument could be read.
std::size_t FilesGivingNothing(const Drop& drop) {
  return static_cast<std::size_t>(
      std::count_if(drop.files.begin(), drop.files.end(),
                    [](const FileOutcome& f) { return f.added == 0 && !f.outcome.imported(); }));
}

}  // namespace

void ImportDrop(const Options& options, Drop& drop, std::ostream& err) {
  drop.databasePath =
      options.database ? PathFromUtf8(*options.database) : DefaultSoundDatabasePath();
  drop.databaseLoad = LoadSoundDatabase(drop.database, drop.databasePath);
  if (drop.databaseLoad == DatabaseLoad::kUnreadable) {
    err << kProgram << "cannot read the sound database " << PathToUtf8(drop.databasePath)
        << " (remembered categories are not shown, and it is not saved over)\n";
  }
  ClearLibrary(drop.library);
  const bool later = options.command == Command::Render;
  std::unordered_set<const Source*> known;
  for (const std::string& file : options.files) {
    const std::size_t before = drop.library.instruments.size();
    ImportOutcome outcome = ImportFile(drop.library, drop.database, file, nullptr, options.import);
    drop.files.push_back({file, std::move(outcome), drop.library.instruments.size() - before});
    if (!later) {
      ReportFile(drop.files.back(), false, err);
      continue;
    }
    for (const auto& source : drop.library.sources)
      if (known.insert(source.get()).second)
        drop.fileOfSource[source.get()] = drop.files.size() - 1;
  }
  for (const auto& instrument : drop.library.instruments) drop.rows.push_back(instrument.get());
  std::stable_sort(drop.rows.begin(), drop.rows.end(),
                   [](const Instrument* a, const Instrument* b) {
                     return CompareRows(*a, *b, kInitialSortKey) < 0;
                   });
}

void ReportFiles(const Drop& drop, std::ostream& err, std::size_t answerable) {
  for (std::size_t i = 0; i < drop.files.size(); ++i)
    ReportFile(drop.files[i], answerable != kEveryFile && i != answerable, err);
}

bool DropWhole(const Drop& drop) {
  return std::all_of(drop.files.begin(), drop.files.end(),
                     [](const FileOutcome& f) { return f.outcome.imported(); });
}

std::size_t FileOf(const Drop& drop, const Instrument& instrument) {
  const auto found = drop.fileOfSource.find(instrument.source);
  return found == drop.fileOfSource.end() ? kEveryFile : found->second;
}

bool ApplyCategories(const Options& options, Drop& drop, std::ostream& err) {
  for (const auto& [name, codeText] : options.categories) {
    const auto code = MenuCode(codeText);
    if (!code) {
      err << kProgram << UnknownCategoryText(codeText) << '\n';
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
  if (options.suggestCategories) {
    const std::size_t given = SuggestCategories(drop.rows).size();
    err << kProgram << "categories suggested for " << given << " of " << drop.rows.size()
        << (drop.rows.size() == 1 ? " instrument\n" : " instruments\n");
  }
  return true;
}

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

std::string NothingText(const Options& options, const Drop& drop) {
  if (!drop.rows.empty()) {
    return options.only.empty() ? "none of the instruments has samples"
                                : "none of the instruments --only names has samples";
  }
  if (drop.files.size() == 1) return drop.files.front().file + " gave no instrument";
  const std::size_t failed = FilesGivingNothing(drop);
  std::string text =
      "none of the " + std::to_string(drop.files.size()) + " files gave an instrument";
  if (failed > 0) text += " (" + Counted(failed, "file") + " not read, named above)";
  return text;
}

}  // namespace tolvane::cli
