#pragma once
// What tolvane-convert does for a parsed command line.

#include <iosfwd>

#include "cli/command_line.h"

namespace tolvane::cli {

// Runs the command; normal output goes to `out`, one line per problem to `err`. The result is the
// process's exit status: 0 on success.
int Run(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace tolvane::cli
