// The atomic writer on Windows: the temporary file is written through the C runtime in binary
// mode and moved over the target with MoveFileExW, which (unlike the runtime's rename) replaces
// an existing file.

#include "base/atomic_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <string>
#include <utility>

#include "base/system_files.h"

namespace tolvane {
namespace {

// Different for every temporary file this process makes, and from other processes' names.
std::wstring TemporarySuffix() {
  static std::atomic<unsigned> counter{0};
  return L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount64() % 1000000) + L"-" + std::to_wstring(counter++);
}

}  // namespace

// Moves `from` over `to`. A target that some program has mapped (as this one maps what it
// imports) cannot be replaced in one step on Windows, but it can be renamed: it goes aside,
// the new file takes its name, and the old one is deleted (its bytes stay readable through the
// mapping until that ends).
bool system::MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (::MoveFileExW(from.c_str(), to.c_str(), kFlags) != 0) return true;
  if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
  // Only a file goes aside: a folder in the target's place must stay and fail the write.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  std::filesystem::path aside = to;
  aside.replace_filename(L"." + to.filename().wstring() + TemporarySuffix() + L".old");
  if (::MoveFileExW(to.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH) == 0) return false;
  if (::MoveFileExW(from.c_str(), to.c_str(), kFlags) == 0) {
    ::MoveFileExW(aside.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);  // put the old one back
    return false;
  }
  ::DeleteFileW(aside.c_str());
  return true;
}

bool system::Sync(int fd) {
  return ::_commit(fd) == 0;
}

bool system::Close(int fd) {
  return ::_close(fd) == 0;
}

void system::RemoveFile(const std::filesystem::path& path) {
  ::_wunlink(path.c_str());
}

bool AtomicFileWriter::Open() {
  Abandon();
  failed_ = false;
  // A hidden name beside the target, so the move stays on one volume.
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    std::filesystem::path candidate = target_;
    candidate.replace_filename(L"." + target_.filename().wstring() + TemporarySuffix());
    int fd = -1;
    const errno_t error = ::_wsopen_s(&fd, candidate.c_str(),
                                      _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT,
                                      _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (error == 0) {
      fd_ = fd;
      temporary_ = std::move(candidate);
    } else if (error != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) failed_ = true;
  return fd_ >= 0;
}

// The cache is never bypassed here (WriteCaching is a hint), so nothing is held back.
bool AtomicFileWriter::FinishWrites() {
  return true;
}

bool AtomicFileWriter::Write(std::span<const std::byte> bytes) {
  if (fd_ < 0 || failed_) return false;
  while (!bytes.empty()) {
    // The runtime takes at most INT_MAX bytes a call.
    const auto count = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int written = ::_write(fd_, bytes.data(), count);
    if (written <= 0) {
      failed_ = true;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

bool AtomicFileWriter::WritePieces(std::span<const std::span<const std::byte>> pieces) {
  if (fd_ < 0 || failed_) return false;
  // No gathered write here: the runtime buffers nothing, so each piece goes out as it is.
  for (const auto& piece : pieces)
    if (!Write(piece)) return false;
  return true;
}

}  // namespace tolvane
