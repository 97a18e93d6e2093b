#pragma once
// One drop of files for tolvane-convert: the library the commands work on, the database it
// takes categories from, and what each file's import came to.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/command_line.h"
#include "database/sound_database.h"
#include "import/import_outcome.h"
#include "library/library.h"

namespace tolvane::cli {

struct FileOutcome {
  std::string file;  // as given
  ImportOutcome outcome;
  std::size_t added = 0;  // instruments that came from it
};

struct Drop {
  SoundDatabase database;
  std::filesystem::path databasePath;
  DatabaseLoad databaseLoad = DatabaseLoad::kAbsent;
  Library library;
  std::vector<Instrument*> rows;  // as the list shows them right after the drop
  std::vector<FileOutcome> files;
  // Which file (an index into `files`) made each source: kept only for render, which answers
  // for the file of the instrument it plays.
  std::unordered_map<const Source*, std::size_t> fileOfSource;
};

// Imports every file in order as one drop. Unless render is the command, each file that was not
// imported whole, and each note, is named on `err` as soon as the file is done; render names
// them later (ReportFiles), once it knows which instrument it plays.
void ImportDrop(const Options& options, Drop& drop, std::ostream& err);

// Names every file not imported whole, with the reason, and every note. A file other than
// `answerable` (an index into drop.files) is only a note then: the command does not depend on it.
inline constexpr std::size_t kEveryFile = static_cast<std::size_t>(-1);
void ReportFiles(const Drop& drop, std::ostream& err, std::size_t answerable = kEveryFile);

// Whether every file was imported (notes or not); else the exit status is 1.
bool DropWhole(const Drop& drop);

// The file `instrument` came from (an index into drop.files), or kEveryFile when unknown.
std::size_t FileOf(const Drop& drop, const Instrument& instrument);

// Gives instruments their categories as the list's menu does. False when a name or code is bad.
bool ApplyCategories(const Options& options, Drop& drop, std::ostream& err);

// The rows to export or render: all of them, or those --only names. False, after saying so,
// when --only names an instrument that is not there.
bool CheckedRows(const Options& options, const Drop& drop, std::vector<const Instrument*>& checked,
                 std::ostream& err);

// Why there is nothing to export or render, after "nothing to export: ": the files that gave no
// instrument, or the instruments that have no samples.
std::string NothingText(const Options& options, const Drop& drop);

}  // namespace tolvane::cli
