// The atomic writer on POSIX systems: a new file beside the target, renamed over it.

#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "base/system_files.h"

namespace tolvane {
namespace {

// Direct writes need their buffer, length and file offset aligned to the device's logical
// block: 4096 bytes covers the devices in use (512 and 4096).
constexpr std::size_t kBlockAlignment = 4096;
// Large enough that each write keeps the device busy, small against the files that bypass.
constexpr std::size_t kBlockBuffer = std::size_t{8} << 20;

// The error of the call that just failed.
std::error_code LastError() {
  return {errno, std::generic_category()};
}

// What a write that took nothing from a non-empty buffer, naming no error, ran into: the device
// is full. (Trying again would never end.)
std::error_code NoSpace() {
  return std::make_error_code(std::errc::no_space_on_device);
}

// Whether writes of `fd` bypass the cache from now on; false when the file system refuses.
bool SetBypass(int fd, bool on) {
#ifdef O_DIRECT
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
#else
  (void)fd;
  return !on;
#endif
}

}  // namespace

void AtomicFileWriter::BeginWrites() {
  // A replaced file keeps its permissions (a new one has what the umask left of 0666).
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  staged_ = 0;
  bypassing_ = caching_ == WriteCaching::kBypassCache && SetBypass(fd_, true);
  if (bypassing_ && blocks_.empty()) {
    std::size_t space = kBlockBuffer + kBlockAlignment;
    blockMemory_ = std::make_unique_for_overwrite<std::byte[]>(space);
    void* start = blockMemory_.get();
    std::align(kBlockAlignment, kBlockBuffer, start, space);
    blocks_ = {static_cast<std::byte*>(start), kBlockBuffer};
  }
}

bool AtomicFileWriter::Write(std::span<const std::byte> bytes) {
  if (fd_ < 0 || failed_) return Fail(std::make_error_code(std::errc::bad_file_descriptor));
  return bypassing_ ? Stage(bytes) : WriteThrough(bytes);
}

bool AtomicFileWriter::WriteThrough(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(written < 0 ? LastError() : NoSpace());
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

bool AtomicFileWriter::Stage(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), blocks_.size() - staged_);
    std::memcpy(blocks_.data() + staged_, bytes.data(), take);
    staged_ += take;
    bytes = bytes.subspan(take);
    if (staged_ == blocks_.size()) {
      if (!WriteStaged()) return false;
      if (!bypassing_) return WriteThrough(bytes);
    }
  }
  return true;
}

bool AtomicFileWriter::WriteStaged() {
  const std::span<const std::byte> staged = blocks_.first(staged_);
  staged_ = 0;
  const std::size_t whole = staged.size() / kBlockAlignment * kBlockAlignment;
  std::size_t done = 0;
  while (done < whole) {
    const ssize_t written = ::write(fd_, staged.data() + done, whole - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    // The file system takes no direct writes of this alignment, a short write left the offset
    // unaligned, or it fails them for a reason of its own: the rest goes through the cache, and
    // only a failure there fails the file.
    break;
  }
  if (done == staged.size()) return true;
  // What is left (the file's last partial block, or what a direct write did not take) goes
  // through the cache, and so does everything after it.
  if (!SetBypass(fd_, false)) return Fail(LastError());
  bypassing_ = false;
  return WriteThrough(staged.subspan(done));
}

bool AtomicFileWriter::FinishWrites() {
  return staged_ == 0 || WriteStaged();
}

bool AtomicFileWriter::WritePieces(std::span<const std::span<const std::byte>> pieces) {
  if (fd_ < 0 || failed_) return Fail(std::make_error_code(std::errc::bad_file_descriptor));
  if (bypassing_) {
    // Staged one by one (Write goes on through the cache should the bypass end part way).
    for (const std::span<const std::byte> piece : pieces)
      if (!Write(piece)) return false;
    return true;
  }
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
      if (written <= 0) return Fail(written < 0 ? LastError() : NoSpace());
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

std::error_code CreateNewFile(const std::filesystem::path& path, int& fd) {
  // The kernel takes the umask off 0666 as the file is made: changing the umask here instead
  // would change it for every thread creating files meanwhile.
  const int created = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (created < 0) return LastError();
  fd = created;
  return {};
}

std::error_code Sync(int fd) {
  return ::fsync(fd) == 0 ? std::error_code() : LastError();
}

std::error_code Close(int fd) {
  return ::close(fd) == 0 ? std::error_code() : LastError();
}

std::error_code MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder one may write but not read cannot be opened to be synced.
  if (fd < 0) return errno == EACCES ? std::error_code() : LastError();
  std::error_code error;
  // Some file systems cannot sync a folder (EINVAL); their renames are as safe as they get.
  if (::fsync(fd) != 0 && errno != EINVAL) error = LastError();
  ::close(fd);
  return error;
}

void RemoveFile(const std::filesystem::path& path) {
  ::unlink(path.c_str());
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(::getpid());
}

}  // namespace system
}  // namespace tolvane
