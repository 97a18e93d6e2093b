#pragma once
// A loop's end blended into what comes before its start, so that the junction continues the
// sound the loop jumps back into.

#include <cstdint>

#include "library/library.h"
#include "library/sample_data.h"

namespace tolvane {

inline constexpr double kLongestCrossfadeMs = 500;

// The frames a crossfade of `ms` takes over `loop` at `rate`: no more than the frames before
// the loop's start or the loop's length.
std::uint32_t CrossfadeFrames(LoopPoints loop, double ms, std::uint32_t rate);

// A copy of the first `frames` frames of `data` in which the `fade` frames before the loop's end
// are blended, at equal power (cosine and sine gains), with the `fade` frames before its start:
// the copy turns from the sound before the end into the sound before the start, and so runs on
// into the start as the sample itself does. Values are rounded and kept within 16 bits.
// REQUIRES: fade <= CrossfadeFrames's limits; data holds frames x channels values.
SampleData CrossfadeLoop(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                         LoopPoints loop, std::uint32_t fade);

}  // namespace tolvane
