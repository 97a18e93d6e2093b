#include "import/soundfont/soundfont_bank.h"

#include <cstdint>
#include <span>

#include "base/bytes.h"
#include "import/soundfont/soundfont_records.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kFormHeaderSize = 12;  // "RIFF", size, form type

ChunkTable TableForList(std::uint32_t listType) {
  if (listType == FourCC("INFO")) return kInfoChunkTable;
  if (listType == FourCC("sdta")) return kSdtaChunkTable;
  if (listType == FourCC("pdta")) return kPdtaChunkTable;
  return {};
}

// Why a walk of the chunks of list `listType` failed, from what the walker left in `context`.
std::string WalkDamage(const ChunkWalkContext& context, std::uint32_t listType) {
  if (context.reason == kChunkHeadTruncated)
    return QuotedFourCC(listType) + " list ends inside a chunk header";
  return QuotedFourCC(context.failedChunk) + " chunk runs past the end of the " +
         QuotedFourCC(listType) + " list";
}

}  // namespace

std::string WalkBank(ChunkWalkContext& context) {
  const std::span<const std::byte> file = context.base;
  const std::uint64_t riffEnd = kChunkHeaderSize + std::uint64_t{LoadU32(file.data() + 4)};
  std::uint64_t position = kFormHeaderSize;
  while (position < riffEnd) {
    if (!RangeFits(file.size(), position, kChunkHeaderSize))
      return "the file ends before its RIFF chunk does";
    const std::byte* header = file.data() + position;
    if (LoadU32(header) != FourCC("LIST"))
      return "the top-level chunk " + QuotedFourCC(LoadU32(header)) + " is not a list";
    const std::uint32_t size = LoadU32(header + 4);
    const std::uint64_t end = position + kChunkHeaderSize + size;
    // A list too small for its type holds nothing to walk, and is named by its identifier.
    const std::uint32_t listType = size >= 4 && RangeFits(file.size(), position, kFormHeaderSize)
                                       ? LoadU32(header + kChunkHeaderSize)
                                       : FourCC("LIST");
    if (end > file.size()) return QuotedFourCC(listType) + " chunk runs past the end of the file";
    if (end > riffEnd) return QuotedFourCC(listType) + " chunk runs past the end of the RIFF chunk";
    const ChunkTable table = TableForList(listType);
    if (size >= 4 && !table.empty() && !WalkChunks(context, position + kFormHeaderSize, end, table))
      return WalkDamage(context, listType);
    position = end;
  }
  return {};
}

}  // namespace tolvane
