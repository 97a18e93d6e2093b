#pragma once
// Making the folder a file is to be written into, and saying which step failed when it cannot
// be made: "cannot create the folder" alone does not tell a user what to fix.

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace tolvane {

struct FolderFailure {
  enum Kind {
    kNotAFolder,    // `step` exists but is a file (or something else that holds no files)
    kCannotCreate,  // creating `step` failed; `error` says why
  };
  Kind kind = kCannotCreate;
  std::filesystem::path step;  // the first path on the way that failed
  std::error_code error;
};

// Creates `folder` and every missing folder above it, from the top down. Nothing when the folder
// exists (or was made); else the first step that failed.
std::optional<FolderFailure> CreateFolders(const std::filesystem::path& folder);

// "cannot create the folder /music/new: Permission denied", "/music/notes.txt is not a folder".
std::string FolderFailureText(const FolderFailure& failure);

}  // namespace tolvane
