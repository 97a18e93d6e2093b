#include "base/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace tolvane {
namespace {

std::filesystem::path FolderFromEnvironment(const char* variable, const char* homeRelative) {
  // Relative values are invalid by the XDG rules and are ignored.
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') return value;
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    return std::filesystem::path(home) / homeRelative;
  return {};
}

}  // namespace

std::filesystem::path ProgramPath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension) {
  std::filesystem::path result = path;
  std::string name = path.filename().string();
  const auto dot = name.rfind('.');
  // A leading dot names a hidden file, not an extension.
  if (dot != std::string::npos && dot != 0) name.erase(dot);
  name += '.';
  name += extension;
  result.replace_filename(name);
  return result;
}

bool IsFolderWritable(const std::filesystem::path& folder) {
  const auto& target = folder.empty() ? std::filesystem::path(".") : folder;
  return ::access(target.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path UserDataFolder() {
  return FolderFromEnvironment("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path UserConfigFolder() {
  return FolderFromEnvironment("XDG_CONFIG_HOME", ".config");
}

}  // namespace tolvane
