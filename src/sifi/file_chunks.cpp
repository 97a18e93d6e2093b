#include "sifi/file_chunks.h"

namespace tolvane::sifi {
namespace {

std::string TagText(std::uint32_t tag) {
  std::string text = "'";
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<unsigned char>((tag >> (8 * i)) & 0xFF);
    text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  }
  return text + "'";
}

}  // namespace

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
    damage_ = TagText(header->tag) + " chunk gives a length of " + std::to_string(header->length) +
              " bytes, shorter than its header";
    return std::nullopt;
  }
  if (header->length > left) {
    damage_ = TagText(header->tag) + " chunk runs past the end of the file";
    return std::nullopt;
  }
  const auto bytes = file_.subspan(static_cast<std::size_t>(position_), header->length);
  position_ += header->length;
  ended_ = false;
  return Chunk{*header, bytes};
}

}  // namespace tolvane::sifi
