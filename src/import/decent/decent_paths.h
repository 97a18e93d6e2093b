#pragma once
// Names taken from a preset's sample paths. The paths themselves are resolved inside the
// container by ResolveInside (import/zip/archive_path.h).

#include <string>
#include <string_view>

namespace tolvane {

// The file name of `path` ('/' between folders) without its extension.
std::string DecentFileStem(std::string_view path);

}  // namespace tolvane
