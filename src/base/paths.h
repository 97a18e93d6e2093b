#pragma once
// Where the program and its files live on this system.

#include <filesystem>
#include <string_view>

namespace tolvane {

// The running executable's full path; empty when the system does not tell.
std::filesystem::path ProgramPath();

// `path` with the extension of its file name replaced by `extension` (given without the dot);
// a file name without an extension gets "." + extension appended.
std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension);

// True when a new file can be created in `folder`.
bool IsFolderWritable(const std::filesystem::path& folder);

// $XDG_DATA_HOME, else ~/.local/share; empty when neither can be found.
std::filesystem::path UserDataFolder();

// $XDG_CONFIG_HOME, else ~/.config; empty when neither can be found.
std::filesystem::path UserConfigFolder();

}  // namespace tolvane
