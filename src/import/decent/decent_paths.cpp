#include "import/decent/decent_paths.h"

namespace tolvane {

std::string DecentFileStem(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

}  // namespace tolvane
