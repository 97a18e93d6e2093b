#include "base/paths.h"

namespace tolvane {

std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension) {
  // The path's own operation: a leading dot names a hidden file, not an extension, and no text
  // passes through a narrow encoding.
  std::filesystem::path result = path;
  result.replace_extension(PathFromUtf8(extension));
  return result;
}

}  // namespace tolvane
