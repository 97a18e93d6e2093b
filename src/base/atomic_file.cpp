#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <utility>

namespace tolvane {

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
  Abandon();
}

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

bool AtomicFileWriter::Write(std::string_view text) {
  return Write(std::as_bytes(std::span(text.data(), text.size())));
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0 || failed_) {
    Abandon();
    return false;
  }
  const bool synced = ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::Abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes) {
  AtomicFileWriter writer(target);
  return writer.Open() && writer.Write(bytes) && writer.Commit();
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text) {
  return WriteFileAtomically(target, std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace tolvane
