// Where the program and its files live on Linux.

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "base/paths.h"

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

// Paths are bytes here, whatever their encoding.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  return path.string();
}

std::filesystem::path ProgramPath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
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
