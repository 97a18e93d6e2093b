// The atomic writer on POSIX systems: mkstemp beside the target, and rename over it.

#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>

#include "base/system_files.h"

namespace tolvane {

bool AtomicFileWriter::Open() {
  Abandon();
  failed_ = false;
  // A hidden name beside the target, so the rename stays on one file system.
  std::string pattern =
      target_.parent_path().empty() ? std::string() : target_.parent_path().string() + "/";
  pattern += "." + target_.filename().string() + ".XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) {
    failed_ = true;
    return false;
  }
  temporary_ = pattern;
  // Keep the permissions an ordinary new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  return true;
}

bool AtomicFileWriter::Write(std::span<const std::byte> bytes) {
  if (fd_ < 0 || failed_) return false;
  const std::byte* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd_, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AtomicFileWriter::WritePieces(std::span<const std::span<const std::byte>> pieces) {
  if (fd_ < 0 || failed_) return false;
  // The system takes at most IOV_MAX pieces a call.
  constexpr std::size_t kMaxPieces = 1024;
  std::array<iovec, kMaxPieces> vectors;
  while (!pieces.empty()) {
    std::size_t count = 0;
    for (; !pieces.empty() && count < kMaxPieces; pieces = pieces.subspan(1)) {
      if (pieces.front().empty()) continue;
      // writev only reads through the pointer.
      vectors[count++] = {const_cast<std::byte*>(pieces.front().data()), pieces.front().size()};
    }
    iovec* next = vectors.data();
    iovec* const end = vectors.data() + count;
    while (next != end) {
      const ssize_t written = ::writev(fd_, next, static_cast<int>(end - next));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {  // nothing taken from a non-empty write would never end
        failed_ = true;
        return false;
      }
      // Skip what went out; a piece written in part goes on from where it stopped.
      auto left = static_cast<std::size_t>(written);
      while (next != end && left >= next->iov_len) left -= (next++)->iov_len;
      if (next != end) {
        next->iov_base = static_cast<std::byte*>(next->iov_base) + left;
        next->iov_len -= left;
      }
    }
  }
  return true;
}

namespace system {

bool Sync(int fd) {
  return ::fsync(fd) == 0;
}

bool Close(int fd) {
  return ::close(fd) == 0;
}

bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFile(const std::filesystem::path& path) {
  ::unlink(path.c_str());
}

}  // namespace system
}  // namespace tolvane
