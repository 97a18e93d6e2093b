#include "export/gathered_writes.h"

namespace tolvane::sifi_writing {

bool GatheredWrites::Flush(std::vector<std::byte>& buffer) {
  if (!buffer.empty()) {
    pieces_.push_back({nullptr, held_.size(), buffer.size()});
    held_.insert(held_.end(), buffer.begin(), buffer.end());
    pending_ += buffer.size();
    buffer.clear();
  }
  return pending_ < kGatherSize || WriteOut();
}

bool GatheredWrites::Pass(std::span<const std::byte> bytes) {
  pieces_.push_back({bytes.data(), 0, bytes.size()});
  pending_ += bytes.size();
  return pending_ < kGatherSize || WriteOut();
}

bool GatheredWrites::WriteOut() {
  std::vector<std::span<const std::byte>> spans;
  spans.reserve(pieces_.size());
  for (const Piece& piece : pieces_) {
    spans.push_back(piece.data != nullptr
                        ? std::span(piece.data, piece.size)
                        : std::span<const std::byte>(held_).subspan(piece.offset, piece.size));
  }
  const bool written = file_.WritePieces(spans);
  pieces_.clear();
  held_.clear();
  pending_ = 0;
  return written;
}

}  // namespace tolvane::sifi_writing
