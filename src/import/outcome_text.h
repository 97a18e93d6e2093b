#pragma once
// The words for a file that was not imported whole, shared by the command-line tool and the
// window so that both name a file's trouble alike.

#include <cstddef>
#include <string>

#include "import/import_outcome.h"

namespace tolvane {

// What went wrong with a file whose import ended in `outcome`, after which `added` instruments
// came from it: "not recognised: REASON", "damaged (3 instruments imported): REASON", or the
// reason a file could not be opened. Empty for a file imported whole.
std::string DescribeImportOutcome(const ImportOutcome& outcome, std::size_t added);

}  // namespace tolvane
