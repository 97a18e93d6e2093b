#pragma once
// Read-only memory mapping of a whole file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace tolvane {

class MappedFile {
 public:
  // Opens and maps `path` read-only. Returns nothing when the file cannot be opened or mapped;
  // an empty file opens and maps to an empty span.
  static std::optional<MappedFile> Open(const std::filesystem::path& path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  // Valid while this object lives.
  std::span<const std::byte> bytes() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  // Last modification time, seconds since 1970-01-01 UTC.
  std::int64_t modifiedTime() const { return modifiedTime_; }

  // Tells the system that the pages of [offset, offset + length) will not be needed again, so a
  // large bank does not stay resident after its samples were copied. The mapping stays valid.
  void Release(std::size_t offset, std::size_t length) const;

 private:
  MappedFile() = default;
  void Reset();

  const std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  std::int64_t modifiedTime_ = 0;
};

}  // namespace tolvane
