#pragma once
// Where the program and its files live on this system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tolvane {

// The one conversion between the program's texts (UTF-8) and paths. On Linux a path is the same
// bytes; on Windows it is UTF-16, and std::filesystem would convert a narrow string through the
// "C" locale instead. Ill-formed UTF-8 (or UTF-16) becomes U+FFFD there rather than failing.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// When the file at `path` was last written, in seconds since 1970-01-01 UTC; 0 when the system
// does not tell.
std::int64_t FileModifiedSeconds(const std::filesystem::path& path);

// The running executable's full path; empty when the system does not tell.
std::filesystem::path ProgramPath();

// `path` with the extension of its file name replaced by `extension` (given without the dot);
// a file name without an extension gets "." + extension appended.
std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension);

// True when a new file can be created in `folder`. On Windows this is tried, with a file that
// deletes itself: permissions there are not told by a mode.
bool IsFolderWritable(const std::filesystem::path& folder);

// $XDG_DATA_HOME, else ~/.local/share; empty when neither can be found. On Windows
// %LOCALAPPDATA% (the machine's own, not roaming), empty when it is not set to a full path.
std::filesystem::path UserDataFolder();

// $XDG_CONFIG_HOME, else ~/.config; empty when neither can be found. On Windows %APPDATA%.
std::filesystem::path UserConfigFolder();

}  // namespace tolvane
