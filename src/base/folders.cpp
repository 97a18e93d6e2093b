#include "base/folders.h"

#include <vector>

#include "base/paths.h"

namespace tolvane {

std::optional<FolderFailure> CreateFolders(const std::filesystem::path& folder) {
  // The steps that are missing, deepest first; the walk up ends at the first that exists.
  std::vector<std::filesystem::path> missing;
  for (std::filesystem::path at = folder; !at.empty();) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(at, error);
    if (std::filesystem::is_directory(status)) break;
    // A path through a file reads as missing (ENOTDIR); the walk up finds the file itself.
    if (std::filesystem::exists(status)) return FolderFailure{FolderFailure::kNotAFolder, at, {}};
    missing.push_back(at);
    std::filesystem::path parent = at.parent_path();
    if (parent == at) break;
    at = std::move(parent);
  }
  for (auto step = missing.rbegin(); step != missing.rend(); ++step) {
    std::error_code error;
    // "a/" and "a" are one folder: the second call finds it made and sets no error.
    if (!std::filesystem::create_directory(*step, error) && error)
      return FolderFailure{FolderFailure::kCannotCreate, *step, error};
  }
  return std::nullopt;
}

std::string FolderFailureText(const FolderFailure& failure) {
  const std::string step = PathToUtf8(failure.step);
  if (failure.kind == FolderFailure::kNotAFolder) return step + " is not a folder";
  return "cannot create the folder " + step + ": " + failure.error.message();
}

}  // namespace tolvane
