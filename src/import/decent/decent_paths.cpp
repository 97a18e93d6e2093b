#include "import/decent/decent_paths.h"

#include <vector>

namespace tolvane {

std::optional<std::string> ResolveDecentPath(std::string_view folder, std::string_view path) {
  if (path.starts_with('/') || path.find(':') != std::string_view::npos) return std::nullopt;
  std::vector<std::string_view> parts;
  bool climbedOut = false;
  const auto walk = [&](std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('/', start);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view part = text.substr(start, end - start);
      start = end + 1;
      if (part.empty() || part == ".") continue;
      if (part != "..") {
        parts.push_back(part);
      } else if (parts.empty()) {
        climbedOut = true;
      } else {
        parts.pop_back();
      }
    }
  };
  walk(folder);
  walk(path);
  if (climbedOut || parts.empty()) return std::nullopt;
  std::string resolved;
  for (const std::string_view part : parts) {
    if (!resolved.empty()) resolved += '/';
    resolved += part;
  }
  return resolved;
}

std::string DecentFileStem(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

}  // namespace tolvane
