#pragma once
// A sample's values: 16-bit, frames x channels. Immutable once made and shared by copying, so
// that an importer hands decoded values over once and every sample made of them (a mono sample,
// the stereo sample it is one channel of, a sample looped elsewhere) plays the same memory.
// Values are held either interleaved in one buffer or, for two channels decoded apart (the
// streams of a compressed bank), as two planes of equal length.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

namespace tolvane {

class SampleData {
 public:
  // No values.
  SampleData() = default;
  // Takes `values`, interleaved as the sample keeps them.
  explicit SampleData(std::vector<std::int16_t> values);
  // The values of the first `count` little-endian 16-bit words of `bytes` (fewer when `bytes`
  // ends before them).
  static SampleData FromLittleEndian(std::span<const std::byte> bytes, std::size_t count);
  // Two channels of `left` and `right`, each a one-channel SampleData (its planes are shared,
  // not copied). REQUIRES: neither is planar or a slice itself, and both hold the same number
  // of values.
  static SampleData Planes(const SampleData& left, const SampleData& right);
  // `count` values from value `from` on, sharing this one's memory: an export that cuts a
  // sample's ends writes from where the values lie. REQUIRES: from + count <= size(), and for
  // planar values both even (whole frames).
  SampleData Slice(std::size_t from, std::size_t count) const;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool planar() const { return second_ != nullptr; }

  // Value i in interleaved order (for two planes: left, right, left, ...).
  std::int16_t operator[](std::size_t i) const {
    const std::size_t at = offset_ + i;
    return second_ == nullptr ? (*first_)[at] : (at % 2 == 0 ? *first_ : *second_)[at / 2];
  }
  // The values as one interleaved run. REQUIRES: !planar().
  std::span<const std::int16_t> interleaved() const;
  // Copies `out.size()` values from value `from` on, in interleaved order.
  // REQUIRES: from + out.size() <= size().
  void CopyInterleaved(std::size_t from, std::span<std::int16_t> out) const;

  // Reads the values in interleaved order, for range-for and algorithms.
  class Iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::int16_t;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::int16_t;
    Iterator() = default;
    Iterator(const SampleData* data, std::size_t index) : data_(data), index_(index) {}
    std::int16_t operator*() const { return (*data_)[index_]; }
    std::int16_t operator[](difference_type n) const {
      return (*data_)[index_ + static_cast<std::size_t>(n)];
    }
    Iterator& operator++() { return ++index_, *this; }
    Iterator operator++(int) { return {data_, index_++}; }
    Iterator& operator--() { return --index_, *this; }
    Iterator operator--(int) { return {data_, index_--}; }
    Iterator& operator+=(difference_type n) {
      index_ += static_cast<std::size_t>(n);
      return *this;
    }
    Iterator& operator-=(difference_type n) {
      index_ -= static_cast<std::size_t>(n);
      return *this;
    }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
      return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
    }
    bool operator==(const Iterator& other) const { return index_ == other.index_; }
    auto operator<=>(const Iterator& other) const { return index_ <=> other.index_; }

   private:
    const SampleData* data_ = nullptr;
    std::size_t index_ = 0;
  };
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, size_}; }

  // Equal values in the same order, however they are held.
  bool operator==(const SampleData& other) const;
  bool operator==(const std::vector<std::int16_t>& values) const;

  // Whether both hold the very same memory: made from one another.
  bool SharesValuesWith(const SampleData& other) const {
    return first_ == other.first_ && second_ == other.second_ && offset_ == other.offset_;
  }

 private:
  using Values = std::vector<std::int16_t>;
  std::shared_ptr<const Values> first_;   // all values, or the left plane
  std::shared_ptr<const Values> second_;  // the right plane, or null
  std::size_t offset_ = 0;                // of a slice: where its values start, counted as size_ is
  std::size_t size_ = 0;
};

}  // namespace tolvane
