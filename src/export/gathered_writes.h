#pragma once
// Hands a file's bytes to the system in large gathered writes. Internal to the writer.

#include <cstddef>
#include <span>
#include <vector>

#include "base/atomic_file.h"

namespace tolvane::sifi_writing {

// Gathers what EmitFile put in its buffer (kept here until written) and the runs of sample data
// it passes on, read where they lie. Many small writes would cost the system a page at a time;
// one large write lets it take them in large units. `file` must outlive this. After a false
// result, `file.error()` names the reason.
class GatheredWrites {
 public:
  explicit GatheredWrites(AtomicFileWriter& file) : file_(file) {}

  // Takes (and empties) `buffer`.
  bool Flush(std::vector<std::byte>& buffer);
  // `bytes` must stay where they are until the next WriteOut.
  bool Pass(std::span<const std::byte> bytes);
  bool WriteOut();

 private:
  // Large enough for the system's largest units, small against the file.
  static constexpr std::size_t kGatherSize = std::size_t{8} << 20;

  struct Piece {
    const std::byte* data = nullptr;  // none: `size` bytes at `offset` in `held_`
    std::size_t offset = 0;
    std::size_t size = 0;
  };

  AtomicFileWriter& file_;
  std::vector<std::byte> held_;
  std::vector<Piece> pieces_;
  std::size_t pending_ = 0;
};

}  // namespace tolvane::sifi_writing
