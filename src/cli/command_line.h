#pragma once
// The command line of tolvane-convert, parsed into what to do.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tolvane::cli {

enum class Command { Help, List, ExportCollection, ExportSingle, Info };

struct Options {
  Command command = Command::Help;
  bool tsv = false;
  std::string target;                                           // OUT.SLC or DIR for the exports
  std::vector<std::string> only;                                // Sound-Names to check (UTF-8)
  std::vector<std::pair<std::string, std::string>> categories;  // name, two-letter code
  std::optional<std::string> database;
  std::vector<std::string> files;  // UTF-8 paths, in order
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // one line for stderr when options is empty
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace tolvane::cli
