#pragma once
// RIFF chunks one after another inside a span, as a DLS bank nests them: lists within lists,
// every chunk padded to an even size. The cursor reads only inside its span and says why it
// stopped early, so a chunk whose size runs past its list is damage, never a read outside.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tolvane {

struct RiffChunk {
  std::uint32_t id = 0;
  std::uint32_t listType = 0;       // for a "LIST" of at least 4 bytes, else 0
  std::span<const std::byte> data;  // for a list: what follows its type
};

class ChunkCursor {
 public:
  // REQUIRES: `bytes` outlives the cursor and every chunk it returns.
  explicit ChunkCursor(std::span<const std::byte> bytes) : bytes_(bytes) {}

  // The next chunk; nothing at the end of the span, or when the chunk there does not fit in
  // it (then damaged() is true).
  std::optional<RiffChunk> Next();
  bool damaged() const { return damaged_; }
  // The identifier of the chunk that did not fit, 0 when its header was cut.
  std::uint32_t failedChunk() const { return failed_; }

 private:
  std::span<const std::byte> bytes_;
  std::size_t position_ = 0;
  bool damaged_ = false;
  std::uint32_t failed_ = 0;
};

// Why `cursor` stopped early, for people: "'wave' chunk runs past the end of the 'wvpl' list".
std::string CursorDamage(const ChunkCursor& cursor, std::string_view where);

// The text of an INFO text chunk up to its first zero byte, at most `limit` bytes.
std::string ChunkText(std::span<const std::byte> data, std::size_t limit);

// The "INAM" text of an "INFO" list's data; empty when it has none.
std::string InfoName(std::span<const std::byte> info);

}  // namespace tolvane
