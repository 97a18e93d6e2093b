#include "base/mapped_file.h"

#include <utility>

#include "base/system_files.h"

namespace tolvane {

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
  if (data_ != nullptr) system::Unmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

void MappedFile::Release(std::size_t offset, std::size_t length) const {
  if (data_ == nullptr || offset >= size_) return;
  if (length > size_ - offset) length = size_ - offset;
  static const std::size_t page = system::PageSize();
  // Only whole pages inside the range can go.
  const std::size_t begin = (offset + page - 1) / page * page;
  const std::size_t end = (offset + length) / page * page;
  if (end <= begin) return;
  system::DropPages(data_ + begin, end - begin);
}

}  // namespace tolvane
