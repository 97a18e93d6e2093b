#pragma once
// The SiFi instrument file: its records, sizes and limits, shared by the writer and the reader so
// that both lay the bytes out from one description. All integers are little-endian; the offsets
// inside a group chunk count from the chunk's first byte (its tag).
//
// File: FileHeader, then per group one "SiIg" chunk (GroupHeader, instrument table, zone table,
// sample table, sample data) followed by one 12-byte "SiDp" chunk per instrument of the group.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "library/zone.h"

namespace tolvane::sifi {

inline constexpr std::uint32_t kTagSiFi = FourCC("SiFi");  // file header
inline constexpr std::uint32_t kTagSiIg = FourCC("SiIg");  // group chunk
inline constexpr std::uint32_t kTagSiDp = FourCC("SiDp");  // one per instrument, no payload
inline constexpr std::uint16_t kVersion = 256;

inline constexpr std::size_t kChunkHeaderSize = 12;
inline constexpr std::size_t kFileHeaderSize = 16;
inline constexpr std::size_t kGroupHeaderSize = 28;
inline constexpr std::size_t kInstrumentEntrySize = 40;
inline constexpr std::size_t kZoneEntrySize = 76;
inline constexpr std::size_t kSampleEntrySize = 48;
inline constexpr std::size_t kSiDpChunkSize = kChunkHeaderSize;
inline constexpr std::size_t kNameSize = 24;  // no terminating zero when full

// Every sample's data is followed by this many silent frames.
inline constexpr std::uint32_t kSilentFrames = 32;
// The tables of a group end at `sampleDataOffset`, a 16-bit field.
inline constexpr std::size_t kMaxTableBytes = 65535;
// The writer lays out at most this many groups in one file.
inline constexpr std::size_t kMaxGroups = 500;

static_assert(kZoneEntrySize == ZoneMapping::kSize + ZoneParameters::kSize + 4);

// Fixed-size name fields: the first 24 bytes, zero-filled behind.
inline void WriteName(ByteWriter& out, std::string_view name) {
  const std::size_t n = std::min(name.size(), kNameSize);
  out.Text(name.substr(0, n));
  out.Zeros(kNameSize - n);
}
// REQUIRES: field.size() >= kNameSize.
inline std::string ReadName(std::span<const std::byte> field) {
  std::string name;
  for (std::size_t i = 0; i < kNameSize && field[i] != std::byte{0}; ++i)
    name.push_back(static_cast<char>(field[i]));
  return name;
}

// The 12 bytes every chunk, and the file header, begins with.
struct ChunkHeader {
  std::uint32_t tag = 0;
  std::uint32_t length = 0;  // of the whole chunk, header included
  std::uint16_t version = kVersion;

  static std::optional<ChunkHeader> Read(std::span<const std::byte> bytes) {
    if (bytes.size() < kChunkHeaderSize) return std::nullopt;
    return ChunkHeader{LoadU32(bytes.data()), LoadU32(bytes.data() + 4), LoadU16(bytes.data() + 8)};
  }
  void Write(ByteWriter& out) const {
    out.U32(tag);
    out.U32(length);
    out.U16(version);
    out.U16(0);
  }
};

struct FileHeader {
  std::uint32_t length = 0;  // of the whole file
  std::uint16_t version = kVersion;
  std::uint16_t groupCount = 0;
  std::uint16_t firstChunkOffset = kFileHeaderSize;

  // Nothing unless the bytes start with a "SiFi" header.
  static std::optional<FileHeader> Read(std::span<const std::byte> bytes) {
    const auto chunk = ChunkHeader::Read(bytes);
    if (!chunk || bytes.size() < kFileHeaderSize || chunk->tag != kTagSiFi) return std::nullopt;
    return FileHeader{chunk->length, chunk->version, LoadU16(bytes.data() + 12),
                      LoadU16(bytes.data() + 14)};
  }
  void Write(ByteWriter& out) const {
    ChunkHeader{kTagSiFi, length, version}.Write(out);
    out.U16(groupCount);
    out.U16(firstChunkOffset);
  }
};

struct GroupHeader {
  std::uint32_t length = 0;  // up to the end of the sample data; the SiDp chunks are not counted
  std::uint16_t instrumentTableOffset = 0;
  std::uint16_t instrumentCount = 0;
  std::uint16_t zoneTableOffset = 0;
  std::uint16_t zoneCount = 0;
  std::uint16_t sampleTableOffset = 0;
  std::uint16_t sampleCount = 0;
  std::uint16_t sampleDataOffset = 0;

  static std::optional<GroupHeader> Read(std::span<const std::byte> bytes) {
    if (bytes.size() < kGroupHeaderSize) return std::nullopt;
    const std::byte* p = bytes.data();
    return GroupHeader{LoadU32(p + 4),  LoadU16(p + 12), LoadU16(p + 14), LoadU16(p + 16),
                       LoadU16(p + 18), LoadU16(p + 20), LoadU16(p + 22), LoadU16(p + 24)};
  }
  void Write(ByteWriter& out) const {
    ChunkHeader{kTagSiIg, length, kVersion}.Write(out);
    out.U16(instrumentTableOffset);
    out.U16(instrumentCount);
    out.U16(zoneTableOffset);
    out.U16(zoneCount);
    out.U16(sampleTableOffset);
    out.U16(sampleCount);
    out.U16(sampleDataOffset);
    out.U16(0);
  }
};

struct InstrumentEntry {
  std::string name;
  std::uint32_t soundId = 0;
  std::uint16_t category = 0;   // sub-category letter in the low byte, main letter in the high
  std::uint16_t firstZone = 0;  // index into the group's zone table
  std::uint16_t zoneCount = 0;

  static std::optional<InstrumentEntry> Read(std::span<const std::byte> bytes) {
    if (bytes.size() < kInstrumentEntrySize) return std::nullopt;
    const std::byte* p = bytes.data();
    return InstrumentEntry{ReadName(bytes), LoadU32(p + 24), LoadU16(p + 32), LoadU16(p + 36),
                           LoadU16(p + 38)};
  }
  void Write(ByteWriter& out) const {
    WriteName(out, name);
    out.U32(soundId);
    out.U32(0);
    out.U16(category);
    out.U16(0);
    out.U16(firstZone);
    out.U16(zoneCount);
  }
};

// A zone's two blocks, byte for byte, and the index of its sample in the group's sample table.
struct ZoneEntry {
  ZoneMapping mapping;
  ZoneParameters parameters;
  std::uint16_t sampleIndex = 0;

  static std::optional<ZoneEntry> Read(std::span<const std::byte> bytes) {
    if (bytes.size() < kZoneEntrySize) return std::nullopt;
    return ZoneEntry{
        ZoneMapping::Deserialize(bytes.first(ZoneMapping::kSize)),
        ZoneParameters::Deserialize(bytes.subspan(ZoneMapping::kSize, ZoneParameters::kSize)),
        LoadU16(bytes.data() + 72)};
  }
  void Write(ByteWriter& out) const {
    out.Bytes(mapping.Serialize());
    out.Bytes(parameters.Serialize());
    out.U16(sampleIndex);
    out.U16(0);
  }
};

struct SampleEntry {
  std::string name;
  std::uint32_t dataStart = 0;  // byte offsets into the group's sample data
  std::uint32_t dataEnd = 0;
  std::uint32_t loopStart = 0;  // bytes from the sample's first byte
  std::uint32_t loopEnd = 0;
  std::int8_t pitchCorrection = 0;
  std::uint8_t rootKey = 0;
  std::uint8_t channels = 1;
  std::uint8_t bitsPerSample = 16;
  std::uint32_t sampleRate = 0;

  static std::optional<SampleEntry> Read(std::span<const std::byte> bytes) {
    if (bytes.size() < kSampleEntrySize) return std::nullopt;
    const std::byte* p = bytes.data();
    return SampleEntry{ReadName(bytes),
                       LoadU32(p + 24),
                       LoadU32(p + 28),
                       LoadU32(p + 32),
                       LoadU32(p + 36),
                       static_cast<std::int8_t>(std::to_integer<std::uint8_t>(p[40])),
                       std::to_integer<std::uint8_t>(p[41]),
                       std::to_integer<std::uint8_t>(p[42]),
                       std::to_integer<std::uint8_t>(p[43]),
                       LoadU32(p + 44)};
  }
  void Write(ByteWriter& out) const {
    WriteName(out, name);
    out.U32(dataStart);
    out.U32(dataEnd);
    out.U32(loopStart);
    out.U32(loopEnd);
    out.U8(static_cast<std::uint8_t>(pitchCorrection));
    out.U8(rootKey);
    out.U8(channels);
    out.U8(bitsPerSample);
    out.U32(sampleRate);
  }
};

}  // namespace tolvane::sifi
