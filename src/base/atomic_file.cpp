#include "base/atomic_file.h"

#include <utility>

#include "base/system_files.h"

namespace tolvane {

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, WriteCaching caching)
    : target_(std::move(target)), caching_(caching) {}

AtomicFileWriter::~AtomicFileWriter() {
  Abandon();
}

bool AtomicFileWriter::Write(std::string_view text) {
  return Write(std::as_bytes(std::span(text.data(), text.size())));
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0 || failed_ || !FinishWrites()) {
    Abandon();
    return false;
  }
  const bool synced = system::Sync(fd_);
  const bool closed = system::Close(fd_);
  fd_ = -1;
  if (!synced || !closed || !system::MoveOver(temporary_, target_)) {
    system::RemoveFile(temporary_);
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::Abandon() {
  if (fd_ >= 0) {
    system::Close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    system::RemoveFile(temporary_);
    temporary_.clear();
  }
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes,
                         WriteCaching caching) {
  AtomicFileWriter writer(target, caching);
  return writer.Open() && writer.Write(bytes) && writer.Commit();
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text) {
  return WriteFileAtomically(target, std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace tolvane
