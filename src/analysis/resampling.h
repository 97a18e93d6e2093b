#pragma once
// A sound at a lower sample rate, by libsoxr at its very high quality, with a sustain loop kept
// seamless: the frames before the loop's end are made from the loop running on into its start, as
// the sampler plays it, not from what follows the end in the recording.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library/library.h"
#include "library/sample_data.h"

namespace tolvane {

struct Resampled {
  std::vector<std::int16_t> values;  // interleaved, frames x channels
  std::string error;                 // why there are none, when the library refused
};

// `frames` interleaved frames of `channels` channels (1 or 2) at `ratio` times their rate, as
// `outFrames` frames: output frame n is the sound at input frame n / ratio. With `loop` (input
// frames, played looped) and `outLoop` (the same loop in output frames), the output frames before
// the loop's end are made from the sound with the loop repeated after its end. Values are rounded
// and kept within 16 bits; frames the library does not give are silent.
// REQUIRES: 0 < ratio <= 1; data holds frames x channels values; with a loop: loop->start <
// loop->end <= frames, outLoop->end <= outFrames, and ratio is the loops' lengths' ratio.
Resampled ResampleSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        double ratio, std::uint32_t outFrames,
                        std::optional<LoopPoints> loop = std::nullopt,
                        std::optional<LoopPoints> outLoop = std::nullopt);

}  // namespace tolvane
