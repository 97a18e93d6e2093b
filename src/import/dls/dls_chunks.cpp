#include "import/dls/dls_chunks.h"

#include <algorithm>

#include "base/bytes.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kNameLimit = 256;  // longer names are cut by the library anyway

}  // namespace

std::optional<RiffChunk> ChunkCursor::Next() {
  if (damaged_ || position_ >= bytes_.size()) return std::nullopt;
  if (bytes_.size() - position_ < kChunkHeaderSize) {
    damaged_ = true;
    return std::nullopt;
  }
  const std::byte* header = bytes_.data() + position_;
  RiffChunk chunk;
  chunk.id = LoadU32(header);
  const std::uint32_t size = LoadU32(header + 4);
  const std::size_t start = position_ + kChunkHeaderSize;
  if (size > bytes_.size() - start) {
    damaged_ = true;
    failed_ = chunk.id;
    return std::nullopt;
  }
  chunk.data = bytes_.subspan(start, size);
  if (chunk.id == FourCC("LIST") && size >= 4) {
    chunk.listType = LoadU32(chunk.data.data());
    chunk.data = chunk.data.subspan(4);
  }
  // The pad byte of an odd chunk may be missing at the very end of a list.
  position_ = std::min(bytes_.size(), start + size + (size % 2));
  return chunk;
}

std::string CursorDamage(const ChunkCursor& cursor, std::string_view where) {
  if (cursor.failedChunk() == 0) return std::string(where) + " ends inside a chunk header";
  return QuotedFourCC(cursor.failedChunk()) + " chunk runs past the end of " + std::string(where);
}

std::string ChunkText(std::span<const std::byte> data, std::size_t limit) {
  std::string text;
  for (const std::byte b : data.first(std::min(data.size(), limit))) {
    const auto c = std::to_integer<char>(b);
    if (c == '\0') break;
    text.push_back(c);
  }
  return text;
}

std::string InfoName(std::span<const std::byte> info) {
  ChunkCursor cursor(info);
  while (const auto chunk = cursor.Next()) {
    if (chunk->id == FourCC("INAM")) return ChunkText(chunk->data, kNameLimit);
  }
  return {};
}

}  // namespace tolvane
