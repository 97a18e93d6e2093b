#pragma once
// Steps through the chunks of a SiFi file, each checked to lie wholly inside the file, for the
// importer and for `tolvane-convert info` alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sifi/sifi_format.h"

namespace tolvane::sifi {

class FileChunks {
 public:
  // REQUIRES: `file` outlives this object.
  FileChunks(std::span<const std::byte> file, const FileHeader& header)
      : file_(file), position_(header.firstChunkOffset) {}

  // The next chunk, header included, with its header read; nothing once the chunks end, at the
  // end of the file or where a chunk cannot be read (damage() then says why).
  struct Chunk {
    ChunkHeader header;
    std::span<const std::byte> bytes;
  };
  std::optional<Chunk> Next();

  // Why the chunks did not end exactly at the end of the file, for people; empty when they did
  // or the walk has not ended yet.
  const std::string& damage() const { return damage_; }

 private:
  std::span<const std::byte> file_;
  std::uint64_t position_;
  std::string damage_;
  bool ended_ = false;
};

}  // namespace tolvane::sifi
