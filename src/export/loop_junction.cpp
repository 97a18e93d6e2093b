#include "export/loop_junction.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tolvane {
namespace {

// At most this many crossings of each direction are tried on each side, nearest first.
constexpr std::size_t kMostCandidates = 24;

struct Frames {
  const SampleData& values;
  std::uint32_t channels;
  int At(std::uint32_t frame, std::uint32_t channel) const {
    return values[std::size_t{frame} * channels + channel];
  }
  int Sum(std::uint32_t frame) const {
    int sum = 0;
    for (std::uint32_t c = 0; c < channels; ++c) sum += At(frame, c);
    return sum;
  }
};

// One channel's junction, read as if the loop's frames ran on past its end into its start.
LoopJunction ChannelJunction(const Frames& frames, std::uint32_t channel, LoopPoints loop) {
  const std::uint32_t length = loop.end - loop.start;
  const std::uint32_t window = std::min(kJunctionWindow, length / 2);
  // Frame i of the run: the last `window` + 1 frames of the loop, then its first ones.
  const auto run = [&](std::uint32_t i) {
    const std::uint32_t before = window + 1;
    return i < before ? frames.At(loop.end - before + i, channel)
                      : frames.At(loop.start + (i - before), channel);
  };
  const std::uint32_t count = 2 * window + 2;
  const std::uint32_t junction = window + 1;  // step run(junction - 1) -> run(junction)
  std::vector<int> steps(count - 1);
  for (std::uint32_t i = 0; i + 1 < count; ++i) steps[i] = run(i + 1) - run(i);
  long stepSum = 0;
  long bendSum = 0;
  std::uint32_t bends = 0;
  int worstBend = 0;
  for (std::uint32_t i = 0; i < steps.size(); ++i) {
    if (i != junction - 1) stepSum += std::abs(steps[i]);
    if (i == 0) continue;
    const int bend = std::abs(steps[i] - steps[i - 1]);
    // Bends at the junction's two sides are its own; the others are what is ordinary here.
    if (i == junction - 1 || i == junction) {
      worstBend = std::max(worstBend, bend);
    } else {
      bendSum += bend;
      ++bends;
    }
  }
  // What the loop puts before its start, against what the sample itself has there: a loop
  // that ends as the sample runs into its start (a saw's own jump, looped on a period) adds
  // nothing, however steep the junction.
  if (loop.start >= 2) {
    const int differs = std::max(std::abs(run(junction - 1) - frames.At(loop.start - 1, channel)),
                                 std::abs(run(junction - 2) - frames.At(loop.start - 2, channel)));
    if (differs <= kClickFloor) return {};
  }
  const int jump = std::abs(steps[junction - 1]);
  const double meanStep = static_cast<double>(stepSum) / static_cast<double>(steps.size() - 1);
  const double meanBend = bends == 0 ? 0 : static_cast<double>(bendSum) / bends;
  if (jump > kClickFloor && jump > kClickRatio * meanStep) return {true, true, jump};
  if (worstBend > kClickFloor && worstBend > kClickRatio * meanBend)
    return {true, false, worstBend};
  return {};
}

// Frames i where the channels' sum crosses zero (sum(i - 1) < 0 <= sum(i), or the reverse when
// not `rising`), within kSnapReach of `around` and [first, last], nearest first.
std::vector<std::uint32_t> Crossings(const Frames& frames, std::uint32_t around,
                                     std::uint32_t first, std::uint32_t last, bool rising) {
  std::vector<std::uint32_t> found;
  const std::uint32_t low = std::max({first, around > kSnapReach ? around - kSnapReach : 0u, 1u});
  const std::uint32_t high = std::min(last, around + kSnapReach);
  for (std::uint32_t i = low; i <= high; ++i) {
    const bool before = frames.Sum(i - 1) < 0;
    const bool after = frames.Sum(i) < 0;
    if (rising ? (before && !after) : (!before && after)) found.push_back(i);
  }
  const auto distance = [around](std::uint32_t i) { return i > around ? i - around : around - i; };
  std::stable_sort(found.begin(), found.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return distance(a) < distance(b); });
  if (found.size() > kMostCandidates) found.resize(kMostCandidates);
  return found;
}

}  // namespace

LoopJunction CheckLoopJunction(const SampleData& values, std::uint32_t channels, LoopPoints loop) {
  if (channels == 0 || loop.end < loop.start + 3 ||
      values.size() / channels < std::size_t{loop.end})
    return {};
  const Frames frames{values, channels};
  LoopJunction worst;
  for (std::uint32_t c = 0; c < channels; ++c) {
    const LoopJunction junction = ChannelJunction(frames, c, loop);
    if (junction.clicks && (!worst.clicks || junction.jump > worst.jump)) worst = junction;
  }
  return worst;
}

std::optional<LoopPoints> SnapLoop(const SampleData& values, std::uint32_t channels,
                                   LoopPoints loop) {
  if (channels == 0 || loop.end < loop.start || values.size() / channels < std::size_t{loop.end})
    return std::nullopt;
  const auto frameCount = static_cast<std::uint32_t>(values.size() / channels);
  if (frameCount < 2) return std::nullopt;
  const Frames frames{values, channels};
  const auto distance = [](std::uint32_t a, std::uint32_t b) { return a > b ? a - b : b - a; };
  std::optional<LoopPoints> best;
  std::uint32_t bestMove = 0;
  for (const bool rising : {true, false}) {
    // The end crosses in front of frame `end`, which the start stands in for once looped.
    const auto starts = Crossings(frames, loop.start, 1, frameCount - 1, rising);
    const auto ends = Crossings(frames, loop.end, 1, frameCount - 1, rising);
    for (const std::uint32_t start : starts) {
      for (const std::uint32_t end : ends) {
        if (end < start + kShortestSnappedLoop) continue;
        const std::uint32_t move = distance(start, loop.start) + distance(end, loop.end);
        if (best && move >= bestMove) continue;
        if (CheckLoopJunction(values, channels, {start, end}).clicks) continue;
        best = LoopPoints{start, end};
        bestMove = move;
      }
    }
  }
  return best;
}

}  // namespace tolvane
