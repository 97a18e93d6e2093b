// Whole-file reads and the folder lock on Windows. Files open in binary mode: text mode would
// turn CRLF into LF and stop at the first Ctrl-Z.

#include "base/whole_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cwctype>
#include <string>
#include <system_error>

#include "base/system_files.h"

namespace tolvane {

WholeFile ReadWholeFile(const std::filesystem::path& path, std::size_t limit) {
  WholeFile file;
  int fd = -1;
  if (const errno_t error =
          ::_wsopen_s(&fd, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
      error != 0) {
    // A folder in the way of the path also reads as ENOENT here.
    file.state = error == ENOENT ? FileState::kAbsent : FileState::kUnreadable;
    return file;
  }
  file.state = FileState::kUnreadable;
  struct _stat64 info {};
  if (::_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG ||
      static_cast<std::uint64_t>(info.st_size) > limit) {
    ::_close(fd);
    return file;
  }
  return system::ReadOpenedFile(fd, static_cast<std::size_t>(info.st_size), limit);
}

std::ptrdiff_t system::ReadSome(int fd, std::span<std::byte> buffer) {
  // The runtime takes at most INT_MAX bytes a call.
  const auto want = static_cast<unsigned>(std::min<std::size_t>(buffer.size(), INT_MAX));
  return ::_read(fd, buffer.data(), want);
}

namespace {

// A folder cannot be locked on Windows, so the lock is a named mutex, one per folder. Names are
// limited in length, hence a hash of the folder's full path, in lower case as NTFS compares.
std::wstring MutexName(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(folder, error);
  if (error) full = folder;
  std::wstring text = full.lexically_normal().wstring();
  while (text.size() > 3 && (text.back() == L'\\' || text.back() == L'/')) text.pop_back();
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const wchar_t c : text) {
    hash ^= static_cast<std::uint64_t>(std::towlower(c == L'/' ? L'\\' : c));
    hash *= 1099511628211ULL;
  }
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = L"Local\\tolvane-folder-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(hash >> shift) & 0xF];
  return name;
}

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, MutexName(folder).c_str());
  if (mutex == nullptr) return;
  // WAIT_ABANDONED: a program ended while holding the lock; the lock is now ours.
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return;
  }
  mutex_ = mutex;
}

FolderLock::~FolderLock() {
  if (mutex_ == nullptr) return;
  ::ReleaseMutex(mutex_);
  ::CloseHandle(mutex_);
}

}  // namespace tolvane
