// The atomic writer on Windows: the temporary file is written through the C runtime in binary
// mode and moved over the target with MoveFileExW, which (unlike the runtime's rename) replaces
// an existing file. Errors of runtime calls are errno values, those of Windows calls
// GetLastError's; each is taken as its call fails.

#include "base/atomic_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

#include "base/system_files.h"

namespace tolvane {
namespace {

// The error of the C runtime call that just failed.
std::error_code RuntimeError() {
  return {errno, std::generic_category()};
}

// The error of the Windows call that just failed.
std::error_code WindowsError() {
  return {static_cast<int>(::GetLastError()), std::system_category()};
}

}  // namespace

// Moves `from` over `to`. A target that some program has mapped (as this one maps what it
// imports) cannot be replaced in one step on Windows, but it can be renamed: it goes aside,
// the new file takes its name, and the old one is deleted (its bytes stay readable through the
// mapping until that ends). Every move writes through: it returns once the new names are on
// the disk, so no sync of the folder is needed after it.
std::error_code system::MoveOver(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (::MoveFileExW(from.c_str(), to.c_str(), kFlags) != 0) return {};
  const std::error_code refused = WindowsError();
  if (refused.value() != ERROR_ACCESS_DENIED) return refused;
  // Only a file goes aside: a folder in the target's place must stay and fail the write.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return refused;
  std::filesystem::path name = L".";
  name += to.filename().native();
  name += TemporarySuffix() + ".old";
  std::filesystem::path aside = to;
  aside.replace_filename(name);
  if (::MoveFileExW(to.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH) == 0) return WindowsError();
  if (::MoveFileExW(from.c_str(), to.c_str(), kFlags) == 0) {
    const std::error_code failed = WindowsError();
    ::MoveFileExW(aside.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);  // put the old one back
    return failed;
  }
  ::DeleteFileW(aside.c_str());
  return {};
}

std::error_code system::SyncFolder(const std::filesystem::path& /*folder*/) {
  return {};
}

std::error_code system::CreateNewFile(const std::filesystem::path& path, int& fd) {
  int created = -1;
  const errno_t error =
      ::_wsopen_s(&created, path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT,
                  _SH_DENYWR, _S_IREAD | _S_IWRITE);
  if (error != 0) return {error, std::generic_category()};
  fd = created;
  return {};
}

std::error_code system::Sync(int fd) {
  return ::_commit(fd) == 0 ? std::error_code() : RuntimeError();
}

std::error_code system::Close(int fd) {
  return ::_close(fd) == 0 ? std::error_code() : RuntimeError();
}

void system::RemoveFile(const std::filesystem::path& path) {
  ::_wunlink(path.c_str());
}

unsigned long system::ProcessId() {
  return ::GetCurrentProcessId();
}

// The cache is never bypassed here (WriteCaching is a hint), so there is nothing to set up and
// nothing is held back.
void AtomicFileWriter::BeginWrites() {}

bool AtomicFileWriter::FinishWrites() {
  return true;
}

bool AtomicFileWriter::Write(std::span<const std::byte> bytes) {
  if (fd_ < 0 || failed_) return Fail(std::make_error_code(std::errc::bad_file_descriptor));
  while (!bytes.empty()) {
    // The runtime takes at most INT_MAX bytes a call.
    const auto count = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int written = ::_write(fd_, bytes.data(), count);
    // Nothing taken, naming no error: the device is full.
    if (written <= 0)
      return Fail(written < 0 ? RuntimeError()
                              : std::make_error_code(std::errc::no_space_on_device));
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

bool AtomicFileWriter::WritePieces(std::span<const std::span<const std::byte>> pieces) {
  if (fd_ < 0 || failed_) return Fail(std::make_error_code(std::errc::bad_file_descriptor));
  // No gathered write here: the runtime buffers nothing, so each piece goes out as it is.
  for (const auto& piece : pieces)
    if (!Write(piece)) return false;
  return true;
}

}  // namespace tolvane
