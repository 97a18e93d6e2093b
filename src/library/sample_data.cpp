#include "library/sample_data.h"

#include <algorithm>
#include <utility>

namespace tolvane {
namespace {

// Little-endian 16-bit values read from bytes, as an iterator, so that a vector is built
// straight from them: sizing it first would fill it with zeros and then write every value again,
// and sample data is nearly all the memory an import touches.
class LittleEndianValues {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = std::int16_t;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = std::int16_t;

  LittleEndianValues() = default;
  LittleEndianValues(const std::byte* values, std::size_t index) : values_(values), index_(index) {}

  std::int16_t operator*() const {
    const std::byte* p = values_ + 2 * index_;
    return static_cast<std::int16_t>(std::to_integer<std::uint16_t>(p[0]) |
                                     (std::to_integer<std::uint16_t>(p[1]) << 8));
  }
  LittleEndianValues& operator++() {
    ++index_;
    return *this;
  }
  LittleEndianValues operator++(int) {
    LittleEndianValues old = *this;
    ++index_;
    return old;
  }
  bool operator==(const LittleEndianValues& other) const { return index_ == other.index_; }

 private:
  const std::byte* values_ = nullptr;  // never read at an index outside [begin, end)
  std::size_t index_ = 0;
};
static_assert(std::forward_iterator<LittleEndianValues>);

}  // namespace

SampleData::SampleData(std::vector<std::int16_t> values)
    : first_(std::make_shared<const Values>(std::move(values))), size_(first_->size()) {}

SampleData SampleData::FromLittleEndian(std::span<const std::byte> bytes, std::size_t count) {
  count = std::min(count, bytes.size() / 2);
  return SampleData(
      Values(LittleEndianValues(bytes.data(), 0), LittleEndianValues(bytes.data(), count)));
}

SampleData SampleData::Planes(const SampleData& left, const SampleData& right) {
  SampleData both;
  both.first_ = left.first_;
  both.second_ = right.first_;
  both.size_ = left.size_ + right.size_;
  return both;
}

SampleData SampleData::Slice(std::size_t from, std::size_t count) const {
  SampleData slice = *this;
  slice.offset_ = offset_ + from;
  slice.size_ = count;
  return slice;
}

std::span<const std::int16_t> SampleData::interleaved() const {
  if (first_ == nullptr || second_ != nullptr) return {};
  return std::span(*first_).subspan(offset_, size_);
}

void SampleData::CopyInterleaved(std::size_t from, std::span<std::int16_t> out) const {
  from += offset_;
  if (second_ == nullptr) {
    std::copy_n(first_->begin() + static_cast<std::ptrdiff_t>(from), out.size(), out.begin());
    return;
  }
  const Values& left = *first_;
  const Values& right = *second_;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t at = from + i;
    out[i] = (at % 2 == 0 ? left : right)[at / 2];
  }
}

bool SampleData::operator==(const SampleData& other) const {
  return size_ == other.size_ && std::equal(begin(), end(), other.begin());
}

bool SampleData::operator==(const std::vector<std::int16_t>& values) const {
  return size_ == values.size() && std::equal(begin(), end(), values.begin());
}

}  // namespace tolvane
