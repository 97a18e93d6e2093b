// The read-only mapping on Windows: CreateFileW shares the file with every other access (a
// program may replace or delete it meanwhile, as on Linux), and the view outlives its handles.

#include "base/mapped_file.h"

#include <windows.h>

#include "base/system_files.h"

namespace tolvane {
namespace {

// FILETIME counts 100 ns steps from 1601-01-01.
std::int64_t UnixSeconds(const FILETIME& time) {
  const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  constexpr std::int64_t kTicksTo1970 = 116444736000000000;
  return (ticks - kTicksTo1970) / 10000000;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<MappedFile> MappedFile::Open(const std::filesystem::path& path) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open.
  const Handle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(file.get(), &info) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return std::nullopt;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  MappedFile mapped;
  mapped.size_ = static_cast<std::size_t>(size);
  mapped.modifiedTime_ = UnixSeconds(info.ftLastWriteTime);
  if (mapped.size_ > 0) {
    const Handle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.valid()) return std::nullopt;
    void* const address = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (address == nullptr) return std::nullopt;
    mapped.data_ = static_cast<const std::byte*>(address);
  }
  return mapped;
}

void system::Unmap(const std::byte* data, std::size_t /*size*/) {
  ::UnmapViewOfFile(data);
}

std::size_t system::PageSize() {
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  return static_cast<std::size_t>(info.dwPageSize);
}

// Unlocking pages that were never locked takes them out of the working set (documented; the
// call then reports ERROR_NOT_LOCKED, which is expected). The view stays valid.
void system::DropPages(const std::byte* data, std::size_t size) {
  ::VirtualUnlock(const_cast<std::byte*>(data), size);
}

}  // namespace tolvane
