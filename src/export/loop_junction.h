#pragma once
// Where a looped sample's end joins its start: whether the junction clicks, and loop points
// moved to zero crossings that do not. Pure functions over sample values.

#include <cstdint>
#include <optional>

#include "library/library.h"
#include "library/sample_data.h"

namespace tolvane {

// A junction clicks when, in some channel, the step from the loop's last frame to its first
// passes both kClickFloor and kClickRatio times the mean step around the junction (a jump in
// value), or when the change of slope there passes both kClickFloor and kClickRatio times the
// mean change of slope around it (a kink), and the two frames before the junction differ by
// more than kClickFloor from the two the sample itself has before the loop's start (where it
// has them): a loop that ends as the sample runs into its start repeats a jump of the sound's
// own, such as a saw's. The floor (1/32 of full scale, -30 dBFS) keeps quiet junctions and
// noise-like loops, whose every step is large, from being named.
inline constexpr int kClickFloor = 1024;
inline constexpr int kClickRatio = 6;
// Frames on each side of the junction whose steps set what is ordinary there.
inline constexpr std::uint32_t kJunctionWindow = 8;
// Snapping looks this far from each loop point, and keeps a loop at least this long.
inline constexpr std::uint32_t kSnapReach = 256;
inline constexpr std::uint32_t kShortestSnappedLoop = 32;

struct LoopJunction {
  bool clicks = false;
  bool inValue = false;  // the worst channel jumps in value (else it kinks in slope)
  int jump = 0;          // the step, or the change of slope, that made it click
};

// The junction of loop `loop` of `values` (frames x `channels`, interleaved). A loop shorter
// than 3 frames, or not inside the values, is taken as no click.
LoopJunction CheckLoopJunction(const SampleData& values, std::uint32_t channels, LoopPoints loop);

// The loop points nearest to `loop` (least movement of both together) where the channels'
// sum crosses zero in the same direction at start and end, each within kSnapReach frames of
// its old place, the loop at least kShortestSnappedLoop frames long and its junction not
// clicking. Nothing when there are none.
std::optional<LoopPoints> SnapLoop(const SampleData& values, std::uint32_t channels,
                                   LoopPoints loop);

}  // namespace tolvane
