#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
