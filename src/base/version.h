#pragma once
// The program's version, as the build names it: both programs answer --version with it.

#include <string_view>

namespace tolvane {

std::string_view ProgramVersion();

}  // namespace tolvane
