#pragma once
// Sample paths of a preset resolved among the files of its container.

#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// `path` ('/' between folders) read from `folder` (empty or ending in '/'), with "." and ".."
// resolved: the path from the top of the container. Nothing for a path that climbs above the
// top, or that is absolute ("/x", "C:x", "//server").
std::optional<std::string> ResolveDecentPath(std::string_view folder, std::string_view path);

// The file name of `path` without its extension.
std::string DecentFileStem(std::string_view path);

}  // namespace tolvane
