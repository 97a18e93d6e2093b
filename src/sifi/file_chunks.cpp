#include "sifi/file_chunks.h"

#include "base/bytes.h"

namespace tolvane::sifi {

std::optional<FileChunks::Chunk> FileChunks::Next() {
  if (ended_) return std::nullopt;
  const std::uint64_t size = file_.size();
  if (position_ == size) {
    ended_ = true;
    return std::nullopt;
  }
  ended_ = true;  // until a whole chunk is found
  if (position_ > size) {
    damage_ = "the first chunk would start past the end of the file";
    return std::nullopt;
  }
  const std::uint64_t left = size - position_;
  if (left < kChunkHeaderSize) {
    damage_ = std::to_string(left) + " bytes after the last chunk, too few for a chunk";
    return std::nullopt;
  }
  const auto header = ChunkHeader::Read(file_.subspan(static_cast<std::size_t>(position_)));
  // A length below the header's own size could not move the walk forward.
  if (header->length < kChunkHeaderSize) {
    damage_ = QuotedFourCC(header->tag) + " chunk gives a length of " +
              std::to_string(header->length) + " bytes, shorter than its header";
    return std::nullopt;
  }
  if (header->length > left) {
    damage_ = QuotedFourCC(header->tag) + " chunk runs past the end of the file";
    return std::nullopt;
  }
  const auto bytes = file_.subspan(static_cast<std::size_t>(position_), header->length);
  position_ += header->length;
  ended_ = false;
  return Chunk{*header, bytes};
}

}  // namespace tolvane::sifi
