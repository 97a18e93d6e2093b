#include "import/instrument_files.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>
#include <system_error>

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

std::optional<std::filesystem::path> DiskFiles::Find(const std::string& path) const {
  std::error_code error;
  std::filesystem::path at = folder_;
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
  if (!std::filesystem::is_regular_file(at, error)) return std::nullopt;
  return at;
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
  const std::lock_guard lock(listedMutex_);
  if (const auto known = listed_.find(folder); known != listed_.end()) return known->second;
  std::vector<std::string>& files = listed_[folder];
  namespace fs = std::filesystem;
  const fs::path top = folder_ / PathFromUtf8(folder);
  std::error_code error;
  if (!fs::is_directory(top, error)) return files;
  fs::recursive_directory_iterator it(top, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it.depth() >= kDeepestListed) it.disable_recursion_pending();
    std::error_code entryError;
    if (!it->is_regular_file(entryError)) continue;
    // Names as UTF-8 on every system, '/' between folders.
    std::string path = PathToUtf8(it->path().lexically_relative(top));
    std::replace(path.begin(), path.end(), '\\', '/');
    files.push_back(folder + path);
    if (files.size() >= kListedFiles) break;
  }
  return files;
}

}  // namespace tolvane
