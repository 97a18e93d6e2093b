#pragma once
// Little-endian values read from and written to bytes, built from shifts so that the host's byte
// order and alignment never matter. ByteReader fails at the end of its data instead of inventing
// zeros.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

inline std::uint16_t LoadU16(const std::byte* p) {
  return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) |
                                    (std::to_integer<unsigned>(p[1]) << 8));
}
inline std::uint32_t LoadU32(const std::byte* p) {
  return std::to_integer<std::uint32_t>(p[0]) | (std::to_integer<std::uint32_t>(p[1]) << 8) |
         (std::to_integer<std::uint32_t>(p[2]) << 16) |
         (std::to_integer<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t LoadU64(const std::byte* p) {
  return LoadU32(p) | (std::uint64_t{LoadU32(p + 4)} << 32);
}
inline void StoreU16(std::byte* p, std::uint16_t v) {
  p[0] = static_cast<std::byte>(v & 0xFF);
  p[1] = static_cast<std::byte>(v >> 8);
}
inline void StoreU32(std::byte* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}

// A four-character code as the 32-bit value of its bytes in file order, read little-endian.
constexpr std::uint32_t FourCC(const char (&s)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24);
}

// A four-character code quoted for a message, as in "'fmt '"; bytes that are not printable
// ASCII show as '?', so hostile files cannot put control characters on a terminal.
inline std::string QuotedFourCC(std::uint32_t fourcc) {
  std::string text = "'";
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<unsigned char>((fourcc >> (8 * i)) & 0xFF);
    text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  }
  return text + "'";
}

// True when [offset, offset + length) lies inside a run of `size` bytes; never overflows.
constexpr bool RangeFits(std::size_t size, std::size_t offset, std::size_t length) {
  return offset <= size && length <= size - offset;
}

// The sub-range [offset, offset + length) of `bytes`, or nothing when it does not lie inside;
// 64-bit arguments so that offsets computed from file fields cannot wrap first.
inline std::optional<std::span<const std::byte>> Slice(std::span<const std::byte> bytes,
                                                       std::uint64_t offset, std::uint64_t length) {
  if (offset > bytes.size() || length > bytes.size() - offset) return std::nullopt;
  return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

// Sequential checked reads over a span. Every read returns nothing once the data ends.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::byte> data) : data_(data) {}

  std::size_t position() const { return position_; }
  std::size_t remaining() const { return data_.size() - position_; }
  bool Seek(std::size_t position) {
    if (position > data_.size()) return false;
    position_ = position;
    return true;
  }
  bool Skip(std::size_t count) {
    if (count > remaining()) return false;
    position_ += count;
    return true;
  }

  std::optional<std::uint8_t> U8() {
    if (remaining() < 1) return std::nullopt;
    return std::to_integer<std::uint8_t>(data_[position_++]);
  }
  std::optional<std::uint16_t> U16() {
    if (remaining() < 2) return std::nullopt;
    const auto v = LoadU16(data_.data() + position_);
    position_ += 2;
    return v;
  }
  std::optional<std::int16_t> I16() {
    const auto v = U16();
    if (!v) return std::nullopt;
    return static_cast<std::int16_t>(*v);
  }
  std::optional<std::uint32_t> U32() {
    if (remaining() < 4) return std::nullopt;
    const auto v = LoadU32(data_.data() + position_);
    position_ += 4;
    return v;
  }
  std::optional<std::int32_t> I32() {
    const auto v = U32();
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  // The next `count` bytes as a sub-span.
  std::optional<std::span<const std::byte>> Bytes(std::size_t count) {
    if (count > remaining()) return std::nullopt;
    const auto v = data_.subspan(position_, count);
    position_ += count;
    return v;
  }

 private:
  std::span<const std::byte> data_;
  std::size_t position_ = 0;
};

// Appends little-endian values to a byte vector.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::byte>& out) : out_(out) {}

  std::size_t size() const { return out_.size(); }
  void U8(std::uint8_t v) { out_.push_back(static_cast<std::byte>(v)); }
  // Grown first, then stored in place: GCC 12 at -O2 and above misjudges a small range insert
  // from a local array once inlined, and reports a write past its end.
  void U16(std::uint16_t v) { StoreU16(Grow(2), v); }
  void U32(std::uint32_t v) { StoreU32(Grow(4), v); }
  void Bytes(std::span<const std::byte> bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
  void Text(std::string_view text) {
    const auto* p = reinterpret_cast<const std::byte*>(text.data());
    out_.insert(out_.end(), p, p + text.size());
  }
  void Zeros(std::size_t count) { out_.insert(out_.end(), count, std::byte{0}); }
  // Overwrites a value written earlier, for sizes known only later.
  void PatchU32(std::size_t offset, std::uint32_t v) { StoreU32(out_.data() + offset, v); }

 private:
  // Appends `count` zero bytes and returns where they start.
  std::byte* Grow(std::size_t count) {
    const std::size_t at = out_.size();
    out_.resize(at + count);
    return out_.data() + at;
  }

  std::vector<std::byte>& out_;
};

}  // namespace tolvane
