#include "import/library_folder/library_listing.h"

#include <algorithm>
#include <system_error>

#include "base/encoding.h"
#include "base/paths.h"
#include "import/archive_path.h"
#include "import/sample_folder/folder_import.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

// The format whose instrument files are named `name` (of the formats read only, unless
// `unread`); null for any other file.
const FileFormat* InstrumentFormat(std::string_view name, bool unread = false) {
  for (const FileFormat& format : FileFormats()) {
    if (format.sound || (format.importFolder != nullptr && format.import == nullptr)) continue;
    if (format.import == nullptr && !unread) continue;
    for (const std::string_view pattern : format.patterns)
      if (!pattern.ends_with('/') && MatchesPattern(name, pattern)) return &format;
  }
  return nullptr;
}

// Whether a folder of this name is a container of a format's planned files (a .dsbundle).
bool IsContainer(std::string_view name) {
  for (const FileFormat& format : FileFormats()) {
    if (format.plan == nullptr) continue;
    for (const std::string_view pattern : format.patterns)
      if (pattern.ends_with('/') && pattern != "*/" && MatchesPattern(name, pattern)) return true;
  }
  return false;
}

bool IsPlanned(const FileFormat& format, std::string_view name) {
  if (format.plan == nullptr) return false;
  return std::any_of(format.planned.begin(), format.planned.end(),
                     [&](std::string_view pattern) { return MatchesPattern(name, pattern); });
}

std::string Folder(std::string_view key) {
  const std::size_t slash = key.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(key.substr(0, slash + 1));
}

std::string LastPart(std::string_view folder) {
  if (folder.ends_with('/')) folder.remove_suffix(1);
  const std::size_t slash = folder.rfind('/');
  return std::string(slash == std::string_view::npos ? folder : folder.substr(slash + 1));
}

// Where a planned file's paths count from: inside the innermost container that holds it (a
// bundle), else its own folder. Its instruments are named after it, or after its folder when its
// name is fixed (multisample.xml, drumkit.xml); its categories are kept where a drop of it
// keeps them: under the container's name, the name of a folder that is its instrument, else the
// file's own base name.
void Place(LibraryFile& file, const std::vector<std::string>& containers, std::string_view top) {
  const std::string folder = Folder(file.key);
  std::string root;
  for (const std::string& container : containers)
    if (folder.starts_with(container) && container.size() > root.size()) root = container;
  const bool inContainer = !root.empty();
  if (!inContainer) root = folder;
  const bool fixedName = std::none_of(file.format->planned.begin(), file.format->planned.end(),
                                      [](std::string_view p) { return p.starts_with('*'); });
  const std::string folderName =
      Utf8ToWindows1252(folder.empty() ? std::string(top) : LastPart(folder));
  file.place.root = root;
  file.place.folder = folder.substr(root.size());
  file.place.name = fixedName ? folderName : Utf8ToWindows1252(FileStem(file.key));
  file.place.modifiedTime = FileModifiedSeconds(file.path);
  if (inContainer)
    file.section = Utf8ToWindows1252(LastPart(root));
  else if (fixedName && file.format->folderNamed)
    file.section = folderName;
  else
    file.section = BaseNameOf(Utf8ToWindows1252(file.key));
}

}  // namespace

LibraryListing ListLibrary(const fs::path& root) {
  LibraryListing listing;
  std::vector<std::string> containers;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code entryError;
    const std::string name = PathToUtf8(it->path().filename());
    std::string key = PathToUtf8(it->path().lexically_relative(root));
    std::replace(key.begin(), key.end(), '\\', '/');
    if (it->is_directory(entryError)) {
      if (IsContainer(name)) containers.push_back(key + '/');
      continue;
    }
    if (!it->is_regular_file(entryError)) continue;
    // Instrument files of a format not read are named too, not passed over in silence.
    const FileFormat* format = InstrumentFormat(name, true);
    if (format != nullptr && format->passedOver) {
      listing.passedOver.push_back(std::move(key));
    } else if (format != nullptr) {
      LibraryFile& file = listing.files.emplace_back();
      file.format = format;
      file.path = it->path();
      file.key = std::move(key);
      file.planned = IsPlanned(*format, name);
    } else if (IsSoundFileName(name)) {
      listing.soundFiles.push_back(std::move(key));
    }
  }
  if (error) listing.failure = "the folder cannot be listed whole: " + error.message();
  std::sort(listing.files.begin(), listing.files.end(),
            [](const LibraryFile& a, const LibraryFile& b) { return a.key < b.key; });
  std::sort(listing.soundFiles.begin(), listing.soundFiles.end());
  fs::path named = fs::absolute(root).lexically_normal();
  if (named.filename().empty()) named = named.parent_path();
  const std::string top = PathToUtf8(named.filename());
  for (LibraryFile& file : listing.files)
    if (file.planned) Place(file, containers, top);
  return listing;
}

bool HoldsInstrumentFiles(const fs::path& folder) {
  std::error_code error;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code entryError;
    if (it->is_regular_file(entryError) &&
        InstrumentFormat(PathToUtf8(it->path().filename())) != nullptr)
      return true;
  }
  return false;
}

}  // namespace tolvane
