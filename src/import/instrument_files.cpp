#include "import/instrument_files.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/mapped_file.h"
#include "base/paths.h"
#include "base/whole_file.h"
#include "import/sample_files/read_sound.h"

namespace tolvane {
namespace {

constexpr std::size_t kLargestText = std::size_t{64} << 20;
constexpr int kDeepestListed = 8;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::optional<std::filesystem::path> DiskFiles::Locate(const std::string& path) const {
  std::error_code error;
  // Instruments made on a Mac name their samples by absolute paths.
  std::filesystem::path at = path.starts_with('/') ? std::filesystem::path("/") : folder_;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." || std::filesystem::exists(at / part, error)) {
      at /= part;
      continue;
    }
    std::optional<std::filesystem::path> match;
    for (std::filesystem::directory_iterator entry(at, error), done; !error && entry != done;
         entry.increment(error)) {
      if (!SameIgnoringCase(entry->path().filename().string(), part)) continue;
      if (match) return std::nullopt;  // two candidates: neither is taken
      match = entry->path();
    }
    if (!match) return std::nullopt;
    at = *match;
  }
  return at;
}

std::optional<std::filesystem::path> DiskFiles::Find(const std::string& path) const {
  std::optional<std::filesystem::path> at = Locate(path);
  std::error_code error;
  if (!at || !std::filesystem::is_regular_file(*at, error)) return std::nullopt;
  return at;
}

std::vector<std::string> DiskFiles::ListBelow(const std::string& folder, int depth,
                                              std::size_t most) const {
  const std::lock_guard lock(listedMutex_);
  const auto key = std::tuple(folder, depth, most);
  if (const auto known = listed_.find(key); known != listed_.end()) return known->second;
  std::vector<std::string>& files = listed_[key];
  const std::optional<std::filesystem::path> top =
      folder.empty() ? std::optional(folder_) : Locate(folder);
  std::error_code topError;
  if (!top || !std::filesystem::is_directory(*top, topError)) return files;
  // Level by level, so that the nearest file of a name comes first.
  std::deque<std::pair<std::filesystem::path, int>> folders{{*top, 0}};
  std::size_t seen = 0;
  while (!folders.empty() && seen < most) {
    const auto [at, level] = folders.front();
    folders.pop_front();
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(at, error), done;
         !error && entry != done && seen < most; entry.increment(error), ++seen)
      entries.push_back(entry->path());
    std::sort(entries.begin(), entries.end());
    for (const std::filesystem::path& entry : entries) {
      std::error_code kind;
      if (std::filesystem::is_directory(entry, kind)) {
        if (level < depth) folders.emplace_back(entry, level + 1);
      } else if (std::filesystem::is_regular_file(entry, kind)) {
        std::string relative = PathToUtf8(entry.lexically_relative(folder_));
        std::replace(relative.begin(), relative.end(), '\\', '/');
        files.push_back(std::move(relative));
      }
    }
  }
  return files;
}

std::optional<std::string> DiskFiles::ReadText(const std::string& path) const {
  const auto found = Find(path);
  if (!found) return std::nullopt;
  const WholeFile file = ReadWholeFile(*found, kLargestText);
  if (file.state != FileState::kRead) return std::nullopt;
  std::string text(file.bytes.size(), '\0');
  std::transform(file.bytes.begin(), file.bytes.end(), text.begin(),
                 [](std::byte b) { return static_cast<char>(b); });
  return text;
}

bool ReadSmallFile(const std::filesystem::path& path, std::uintmax_t size,
                   std::vector<std::byte>& buffer) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  if (buffer.size() < size) buffer.resize(size);
  in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

SoundReading DiskFiles::ReadSample(const std::string& path) const {
  const auto found = Find(path);
  if (!found) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(*found, error);
  if (!error && size > 0 && size <= kLargestReadFile) {
    thread_local std::vector<std::byte> buffer;
    if (!ReadSmallFile(*found, size, buffer))
      return {std::nullopt, ImportOutcome::CannotOpen({}), false};
    return ReadSound(std::span<const std::byte>(buffer.data(), size));
  }
  const std::optional<MappedFile> file = MappedFile::Open(*found);
  if (!file) return {std::nullopt, ImportOutcome::CannotOpen({}), false};
  return ReadSound(file->bytes());
}

std::uint64_t DiskFiles::SampleSize(const std::string& path) const {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(folder_ / path, error);
  return error ? 0 : size;
}

std::vector<std::string> DiskFiles::ListFiles(const std::string& folder) const {
  std::string_view named = folder;
  while (named.ends_with('/')) named.remove_suffix(1);
  return ListBelow(std::string(named), kDeepestListed, kListedFiles);
}

}  // namespace tolvane
