// The read-only mapping on POSIX systems.

#include "base/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/system_files.h"

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

namespace system {

void Unmap(const std::byte* data, std::size_t size) {
  ::munmap(const_cast<std::byte*>(data), size);
}

std::size_t PageSize() {
  return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

void DropPages(const std::byte* data, std::size_t size) {
  ::madvise(const_cast<std::byte*>(data), size, MADV_DONTNEED);
}

}  // namespace system
}  // namespace tolvane
