#include "base/atomic_file.h"

#include <atomic>
#include <chrono>
#include <string>
#include <utility>

#include "base/system_files.h"

namespace tolvane {

std::string system::TemporarySuffix() {
  static std::atomic<unsigned> counter{0};
  // The time tells this process's names from those a process of the same id left behind.
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return "." + std::to_string(ProcessId()) + "-" + std::to_string(ticks % 1000000) + "-" +
         std::to_string(counter++);
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target, WriteCaching caching)
    : target_(std::move(target)), caching_(caching) {}

AtomicFileWriter::~AtomicFileWriter() {
  Abandon();
}

bool AtomicFileWriter::Fail(std::error_code error) {
  failed_ = true;
  if (!error_) error_ = error;
  return false;
}

bool AtomicFileWriter::Open() {
  Abandon();
  failed_ = false;
  error_.clear();
  // A hidden name beside the target, so the rename stays on one file system. Creating it only
  // where no file has that name keeps other writers' files whole; one in the way means another
  // name.
  constexpr int kAttempts = 16;
  std::error_code error;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path name = ".";
    name += target_.filename().native();
    name += system::TemporarySuffix();
    std::filesystem::path candidate = target_;
    candidate.replace_filename(name);
    error = system::CreateNewFile(candidate, fd_);
    if (!error) {
      temporary_ = std::move(candidate);
      BeginWrites();
      return true;
    }
    if (error != std::errc::file_exists) break;
  }
  return Fail(error);
}

bool AtomicFileWriter::Write(std::string_view text) {
  return Write(std::as_bytes(std::span(text.data(), text.size())));
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0 || failed_ || !FinishWrites()) {
    Fail(std::make_error_code(std::errc::bad_file_descriptor));  // names no reason of its own
    Abandon();
    return false;
  }
  std::error_code error = system::Sync(fd_);
  const std::error_code closed = system::Close(fd_);
  fd_ = -1;
  if (!error) error = closed;
  if (!error) error = system::MoveOver(temporary_, target_);
  if (error) {
    system::RemoveFile(temporary_);
    temporary_.clear();
    return Fail(error);
  }
  temporary_.clear();
  // The new name is an entry of the folder, which reaches the disk only when the folder does.
  if (const std::error_code synced = system::SyncFolder(target_.parent_path())) return Fail(synced);
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
