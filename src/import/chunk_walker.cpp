#include "import/chunk_walker.h"

#include <algorithm>
#include <limits>

namespace tolvane {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;

const ChunkRule* FindRule(ChunkTable table, std::uint32_t fourcc) {
  for (const ChunkRule& rule : table) {
    if (rule.fourcc == 0) break;
    if (rule.fourcc == fourcc) return &rule;
  }
  return nullptr;
}

}  // namespace

bool WalkChunks(ChunkWalkContext& context, std::size_t from, std::size_t to, ChunkTable table) {
  // Reads stop at `to`, at the end of the file and at the last offset a ChunkArray can hold,
  // whichever comes first; a range reaching past the file can therefore never be walked whole.
  constexpr std::size_t kLargestOffset = std::numeric_limits<std::uint32_t>::max();
  const std::size_t limit = std::min({to, context.base.size(), kLargestOffset});

  std::size_t a = from;
  while (a < to) {
    if (a > limit || limit - a < kChunkHeaderSize) {
      context.reason = kChunkHeadTruncated;
      context.failedChunk = 0;
      return false;
    }
    const std::span<const std::byte> header = context.base.subspan(a, kChunkHeaderSize);
    const std::uint32_t fourcc = LoadU32(header.data());
    const std::uint32_t size = LoadU32(header.data() + 4);
    if (size > limit - a - kChunkHeaderSize) {
      context.reason = kChunkTruncated;
      context.failedChunk = fourcc;
      return false;
    }
    // Fits 32 bits: it is at most `limit`.
    const auto dataOffset = static_cast<std::uint32_t>(a + kChunkHeaderSize);

    if (const ChunkRule* rule = FindRule(table, fourcc)) {
      if (rule->kind == ChunkCall && rule->handler != nullptr) {
        if (!rule->handler(context, dataOffset, header)) return false;
      } else if (rule->kind == ChunkRecord && rule->array != nullptr) {
        ChunkArray& array = context.*(rule->array);
        array.offset = dataOffset;
        array.count = size;
        if (rule->recordSize >= 2) {
          array.count = size / rule->recordSize;
          array.scaled = rule->multiplier * array.count;
        }
      }
    }
    a += kChunkHeaderSize + size;
  }
  return true;
}

bool HandleBankName(ChunkWalkContext& context, std::uint32_t dataOffset,
                    std::span<const std::byte> header) {
  std::size_t length = 0;
  if (header.size() >= kChunkHeaderSize) length = LoadU32(header.data() + 4);
  length = std::min(length, ChunkWalkContext::kBankNameLength);
  // The walker has checked the chunk against the file; a direct caller may not have.
  const std::size_t available =
      dataOffset <= context.base.size() ? context.base.size() - dataOffset : 0;
  length = std::min(length, available);

  context.bankName.clear();
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = std::to_integer<char>(context.base[dataOffset + i]);
    if (c == '\0') break;
    context.bankName.push_back(c);
  }
  return true;
}

}  // namespace tolvane
