#include "import/sample_folder/listed_files.h"

#include <limits>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "base/mapped_file.h"
#include "base/paths.h"
#include "import/sample_files/read_sound.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

SoundReading Refused(std::string reason) {
  return {std::nullopt, ImportOutcome::Damaged(std::move(reason)), false};
}

SoundReading NotOpened() {
  return {std::nullopt, ImportOutcome::CannotOpen({}), false};
}

}  // namespace

void ListedFiles::Add(std::string name, fs::path path) {
  files_.insert_or_assign(std::move(name), Listed{std::move(path), 0});
}

const ListedFiles::Listed* ListedFiles::Find(const std::string& name) const {
  const auto found = files_.find(name);
  return found == files_.end() ? nullptr : &found->second;
}

SoundReading ListedFiles::ReadSample(const std::string& name) const {
  const Listed* listed = Find(name);
  if (listed == nullptr) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
  std::error_code error;
  const std::uintmax_t size = fs::file_size(listed->path, error);
  if (!error && size == 0) return Refused("empty file");
  if (!error && size <= kLargestReadFile) {
    thread_local std::vector<std::byte> buffer;
    if (!ReadSmallFile(listed->path, size, buffer)) return NotOpened();
    listed->modifiedTime = FileModifiedSeconds(listed->path);
    return ReadSound(std::span<const std::byte>(buffer.data(), size));
  }
  const std::optional<MappedFile> file = MappedFile::Open(listed->path);
  if (!file) return NotOpened();
  listed->modifiedTime = file->modifiedTime();
  if (file->size() == 0) return Refused("empty file");
  if (file->size() > kLargestFile) return Refused("files of 4 GiB or more are not read");
  return ReadSound(file->bytes());
}

std::int64_t ListedFiles::ModifiedTime(const std::string& name) const {
  const Listed* listed = Find(name);
  return listed == nullptr ? 0 : listed->modifiedTime;
}

}  // namespace tolvane
