// The read-only mapping on Windows: CreateFileW shares the file with every other access (a
// program may replace or delete it meanwhile, as on Linux), and the view outlives its handles.

#include "base/mapped_file.h"

#include <windows.h>

#include <utility>

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

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      modifiedTime_(other.modifiedTime_) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Reset();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    modifiedTime_ = other.modifiedTime_;
  }
  return *this;
}

MappedFile::~MappedFile() {
  Reset();
}

void MappedFile::Reset() {
  if (data_ != nullptr) ::UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

void MappedFile::Release(std::size_t offset, std::size_t length) const {
  if (data_ == nullptr || offset >= size_) return;
  if (length > size_ - offset) length = size_ - offset;
  static const std::size_t page = [] {
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    return static_cast<std::size_t>(system.dwPageSize);
  }();
  // Only whole pages inside the range can go.
  const std::size_t begin = (offset + page - 1) / page * page;
  const std::size_t end = (offset + length) / page * page;
  if (end <= begin) return;
  // Unlocking pages that were never locked takes them out of the working set (documented; the
  // call then reports ERROR_NOT_LOCKED, which is expected). The view stays valid.
  ::VirtualUnlock(const_cast<std::byte*>(data_) + begin, end - begin);
}

}  // namespace tolvane
