#pragma once
// Hands out record indices at most once per bank, so that the ranges of a hostile bank cannot
// make the import visit its records again and again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

namespace tolvane {

// Hands out each index below a bound at most once, whatever ranges are asked for: ranges that
// overlap must not make the import visit records again and again, while a range that merely
// lies out of order is still visited whole. Skipping taken indices costs next to nothing.
class VisitOnce {
 public:
  // Bag and generator indices come from 16-bit fields, so nothing past 65535 is ever asked for.
  explicit VisitOnce(std::size_t count) : next_(std::min<std::size_t>(count, 65536) + 1) {
    std::iota(next_.begin(), next_.end(), std::uint32_t{0});
  }

  // Indices from the bound on are never handed out.
  std::size_t bound() const { return next_.size() - 1; }

  // The first index at or after `from` not yet taken; the bound when none is left.
  std::size_t Next(std::size_t from) {
    std::size_t i = std::min(from, bound());
    while (next_[i] != i) {
      next_[i] = next_[next_[i]];
      i = next_[i];
    }
    return i;
  }
  void Take(std::size_t index) {
    if (index < bound()) next_[index] = static_cast<std::uint32_t>(index + 1);
  }

 private:
  std::vector<std::uint32_t> next_;  // each index points at or before the next untaken one
};

}  // namespace tolvane
