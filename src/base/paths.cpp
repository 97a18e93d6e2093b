#include "base/paths.h"

#include <chrono>
#include <system_error>

namespace tolvane {

std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension) {
  // The path's own operation: a leading dot names a hidden file, not an extension, and no text
  // passes through a narrow encoding.
  std::filesystem::path result = path;
  result.replace_extension(PathFromUtf8(extension));
  return result;
}

std::int64_t FileModifiedSeconds(const std::filesystem::path& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(path, error);
  if (error) return 0;
  const auto moment = std::chrono::file_clock::to_sys(written);
  return std::chrono::duration_cast<std::chrono::seconds>(moment.time_since_epoch()).count();
}

}  // namespace tolvane
