#pragma once
// The command line of tolvane-convert, parsed into what to do.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/export_commands.h"
#include "import/import_settings.h"

namespace tolvane::cli {

enum class Command {
  Help,
  Version,
  List,
  ExportCollection,
  ExportSingle,
  Info,
  Render,
  Formats,
  Categories,
};

struct Options {
  Command command = Command::Help;
  bool tsv = false;
  bool importedNames = false;     // list: the names as imported as a column
  bool markdown = false;          // formats: the table in Markdown
  bool programs = false;          // list: a column of SoundFont presets' banks and programs
  bool size = false;              // list: the size the export will have, with its options
  std::string target;             // OUT.SLC or DIR for the exports
  std::vector<std::string> only;  // Sound-Names to check (UTF-8)
  std::vector<std::pair<std::string, std::string>> categories;  // name, two-letter code
  bool suggestCategories = false;  // a category from its name for every instrument without one
  std::optional<std::string> database;
  ImportSettings import;           // how folders of samples and SoundFont banks are read
  ExportOptions exportOptions;     // export: how the files are written
  std::vector<std::string> files;  // UTF-8 paths, in order
  // render: the notes (key, velocity), how long each is held, the output rate. A note given
  // without its velocity takes --velocity's.
  std::vector<std::pair<int, int>> notes;
  double holdSeconds = 1.0;
  unsigned rate = 44100;
};

inline constexpr int kDefaultRenderKey = 60;  // middle C
inline constexpr int kDefaultRenderVelocity = 100;

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // one line for stderr when options is empty
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// What --help prints: the commands, the formats read (from the table of formats), the options.
std::string UsageText();

}  // namespace tolvane::cli
