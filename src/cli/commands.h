#pragma once
// What tolvane-convert does for a parsed command line.

#include <iosfwd>

#include "cli/command_line.h"

namespace tolvane::cli {

// What becomes of the imported instruments once the command is done.
enum class Leftovers {
  kFree,
  // Left to the process's end, which returns the memory at once: freeing some hundred MB of
  // samples one buffer at a time costs a tenth of a second. Only for a run that ends the process.
  kLeaveToExit,
};

// Runs the command; normal output goes to `out`, one line per problem to `err`. The result is the
// process's exit status: 0 on success.
int Run(const Options& options, std::ostream& out, std::ostream& err,
        Leftovers leftovers = Leftovers::kFree);

}  // namespace tolvane::cli
