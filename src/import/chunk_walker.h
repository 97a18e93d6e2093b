#pragma once
// A table-driven walk over a run of RIFF chunks: each chunk whose identifier has a row in the
// table either goes to a handler or leaves the place and record count of its data in one of the
// context's arrays. The SoundFont 2 importer uses it to find the chunks of its three lists.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace tolvane {

struct ChunkWalkContext;

// Where a recording row leaves what it found.
struct ChunkArray {
  std::uint32_t offset = 0;  // of the chunk's first data byte, from the start of the file
  std::uint32_t count = 0;   // records (size / recordSize), or bytes when recordSize is 0 or 1
  std::uint32_t scaled = 0;  // multiplier x count; set only when recordSize is 2 or more
};

// Receives the context, the offset of the chunk's first data byte and the chunk's 8-byte header
// (identifier, then the 32-bit size). Returns false to stop the walk. The walker has checked
// that the whole chunk lies inside the context's `base`.
using ChunkHandler = bool (*)(ChunkWalkContext& context, std::uint32_t dataOffset,
                              std::span<const std::byte> header);

enum ChunkKind : int {
  ChunkSkip = 0,    // step over the chunk, as for any value not named here
  ChunkCall = 1,    // hand the chunk to `handler`
  ChunkRecord = 2,  // record the chunk in `array`
};

// One row of a chunk table. A row whose fourcc is 0 ends the table.
struct ChunkRule {
  ChunkKind kind = ChunkSkip;
  std::uint32_t fourcc = 0;
  std::uint32_t recordSize = 0;
  std::uint32_t multiplier = 0;
  ChunkHandler handler = nullptr;                 // kind 1
  ChunkArray ChunkWalkContext::*array = nullptr;  // kind 2; none records nothing
};

// Rows of ChunkRule; the walk searches up to the fourcc-0 row or the end of the span.
using ChunkTable = std::span<const ChunkRule>;

struct ChunkWalkContext {
  static constexpr std::size_t kBankNameLength = 31;

  std::string_view reason;  // the last walk failure, empty when none
  // The identifier of the chunk that ran past the end of the walk, 0 when a header was cut.
  std::uint32_t failedChunk = 0;
  std::string bankName;  // from "INAM", at most 31 characters
  // The whole mapped file; every offset of the walk is relative to its start.
  // REQUIRES: it outlives the walk, and it is shorter than 4 GiB so offsets fit 32 bits.
  std::span<const std::byte> base;
  ChunkArray smpl;
  ChunkArray phdr;
  ChunkArray pbag;
  ChunkArray pgen;
  ChunkArray inst;
  ChunkArray ibag;
  ChunkArray imod;
  ChunkArray igen;
  ChunkArray shdr;
};

inline constexpr std::string_view kChunkHeadTruncated = "Chunk Head Truncated";
inline constexpr std::string_view kChunkTruncated = "Chunk Truncated";

// Walks the chunks between the offsets `from` and `to` of `context.base`. True when the whole
// range was walked; false with `reason` set when a chunk header or a chunk does not fit before
// `to` (or before the end of the file, when `to` lies past it), or when a handler stopped the
// walk (`reason` then stays as the handler left it). Chunk sizes are not rounded up to even.
bool WalkChunks(ChunkWalkContext& context, std::size_t from, std::size_t to, ChunkTable table);

// The handler of the "INAM" row: the chunk's text, up to its first zero byte and at most 31
// characters, becomes the bank name. Always true.
bool HandleBankName(ChunkWalkContext& context, std::uint32_t dataOffset,
                    std::span<const std::byte> header);

// The three lists of a SoundFont 2 bank. Modulators are recorded only at the instrument level.
inline constexpr ChunkRule kInfoChunkTable[] = {
    {ChunkCall, FourCC("INAM"), 0, 0, &HandleBankName, nullptr},
    {},
};
inline constexpr ChunkRule kSdtaChunkTable[] = {
    {ChunkRecord, FourCC("smpl"), 2, 2, nullptr, &ChunkWalkContext::smpl},
    {},
};
inline constexpr ChunkRule kPdtaChunkTable[] = {
    {ChunkRecord, FourCC("phdr"), 38, 0, nullptr, &ChunkWalkContext::phdr},
    {ChunkRecord, FourCC("pbag"), 4, 0, nullptr, &ChunkWalkContext::pbag},
    {ChunkRecord, FourCC("pgen"), 4, 0, nullptr, &ChunkWalkContext::pgen},
    {ChunkRecord, FourCC("inst"), 22, 0, nullptr, &ChunkWalkContext::inst},
    {ChunkRecord, FourCC("ibag"), 4, 0, nullptr, &ChunkWalkContext::ibag},
    {ChunkRecord, FourCC("imod"), 10, 0, nullptr, &ChunkWalkContext::imod},
    {ChunkRecord, FourCC("igen"), 4, 0, nullptr, &ChunkWalkContext::igen},
    {ChunkRecord, FourCC("shdr"), 46, 0, nullptr, &ChunkWalkContext::shdr},
    {},
};

}  // namespace tolvane
