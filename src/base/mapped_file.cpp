#include "base/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace tolvane {

std::optional<MappedFile> MappedFile::Open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  MappedFile file;
  file.size_ = static_cast<std::size_t>(info.st_size);
  file.modifiedTime_ = static_cast<std::int64_t>(info.st_mtime);
  if (file.size_ > 0) {
    void* const address = ::mmap(nullptr, file.size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (address == MAP_FAILED) {
      ::close(fd);
      return std::nullopt;
    }
    file.data_ = static_cast<const std::byte*>(address);
  }
  ::close(fd);  // the mapping keeps the file's pages reachable
  return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      modifiedTime_(other.modifiedTime_) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Reset();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    modifiedTime_ = other.modifiedTime_;
  }
  return *this;
}

MappedFile::~MappedFile() {
  Reset();
}

void MappedFile::Reset() {
  if (data_ != nullptr) ::munmap(const_cast<std::byte*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

void MappedFile::Release(std::size_t offset, std::size_t length) const {
  if (data_ == nullptr || offset >= size_) return;
  if (length > size_ - offset) length = size_ - offset;
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  // Only whole pages inside the range can go.
  const std::size_t begin = (offset + page - 1) / page * page;
  const std::size_t end = (offset + length) / page * page;
  if (end <= begin) return;
  ::madvise(const_cast<std::byte*>(data_) + begin, end - begin, MADV_DONTNEED);
}

}  // namespace tolvane
