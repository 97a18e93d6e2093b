// Whole-file reads and the folder lock on POSIX systems.

#include "base/whole_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/system_files.h"

namespace tolvane {

WholeFile ReadWholeFile(const std::filesystem::path& path, std::size_t limit) {
  WholeFile file;
  // Non-blocking, so that a pipe put in the file's place cannot make the open wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    // ENOTDIR: a file stands where a folder should be, so there can be no file either.
    file.state = errno == ENOENT || errno == ENOTDIR ? FileState::kAbsent : FileState::kUnreadable;
    return file;
  }
  file.state = FileState::kUnreadable;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::uint64_t>(info.st_size) > limit) {
    ::close(fd);
    return file;
  }
  return system::ReadOpenedFile(fd, static_cast<std::size_t>(info.st_size), limit);
}

std::ptrdiff_t system::ReadSome(int fd, std::span<std::byte> buffer) {
  while (true) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got >= 0 || errno != EINTR) return got;
  }
}

FolderLock::FolderLock(const std::filesystem::path& folder)
    : fd_(folder.empty() ? -1 : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

}  // namespace tolvane
