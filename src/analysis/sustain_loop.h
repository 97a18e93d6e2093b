#pragma once
// A sustain loop found in the steady part of a sound that has none: both points on rising zero
// crossings of the channels' sum, the frames around its end matching those around its start,
// longer loops preferred.

#include <cstdint>
#include <functional>
#include <optional>

#include "analysis/sound_level.h"
#include "library/library.h"

namespace tolvane {

inline constexpr double kShortestSustainLoopSeconds = 0.1;
// The junction is judged over this much sound on each side of both points.
inline constexpr double kLoopMatchSeconds = 0.01;
// The least match a loop is kept with. The match of two runs of frames a and b (every channel,
// each frame weighted by a raised cosine that peaks at the point) is
// 1 - sum w (a - b)^2 / sum w (a^2 + b^2): 1 for equal runs, about 0 for unrelated ones
// (noise), 0.94 for equal ones 3 dB apart.
inline constexpr double kLeastLoopMatch = 0.8;
// Lengths are tried in bands this share of their longest wide, longest first; of the loops of
// the first band that holds any, the best match is taken.
inline constexpr double kLoopLengthTolerance = 0.05;
// Loops end in the last part of the steady part, and start in its first half: at most this many
// rising crossings are tried for each (evenly chosen when there are more).
inline constexpr double kLoopEndReach = 0.25;
inline constexpr std::size_t kMostLoopEnds = 64;
inline constexpr std::size_t kMostLoopStarts = 2048;

struct SustainLoop {
  LoopPoints loop;
  double match = 0;
};

// The match of the frames around `end` with those around `start` (kLoopMatchSeconds on each
// side); nothing when a side runs off the sound. Exposed for tests.
std::optional<double> LoopMatch(const SoundFrames& sound, LoopPoints loop);

// The loop of `sound` within `steady`: both points on rising zero crossings of the channels'
// sum (a frame at or above 0 after one below), at least kShortestSustainLoopSeconds long,
// matching by at least kLeastLoopMatch, and `acceptable` (the export's click check) true of
// it: of those in the longest band of lengths that holds any (kLoopLengthTolerance), the best
// match. Nothing when no loop passes.
std::optional<SustainLoop> FindSustainLoop(const SoundFrames& sound, FrameRange steady,
                                           const std::function<bool(LoopPoints)>& acceptable);

}  // namespace tolvane
