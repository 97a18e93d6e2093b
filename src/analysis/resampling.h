#pragma once
// A sound at a lower sample rate, by libsoxr at its very high quality, with a sustain loop kept
// seamless: the frames before the loop's end are made from the loop running on into its start, as
// the sampler plays it, not from what follows the end in the recording.

#include <cstdint>
#include <memory>
#include <mutex>
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

// Converters made for one ratio and channel count, kept for the next sound of the same: making
// one designs its filter, which costs as much as resampling a few thousand frames. Any thread
// may take and give back.
class ResamplerPool {
 public:
  ResamplerPool();
  ~ResamplerPool();
  ResamplerPool(const ResamplerPool&) = delete;
  ResamplerPool& operator=(const ResamplerPool&) = delete;

  struct Converter;
  // A converter for `ratio` and `channels`, ready for a new sound; nullptr with `error` set when
  // the library refuses.
  std::unique_ptr<Converter> Take(double ratio, std::uint32_t channels, std::string& error);
  void GiveBack(std::unique_ptr<Converter> converter);

 private:
  static constexpr std::size_t kIdleConverters = 8;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Converter>> idle_;
};

// `frames` interleaved frames of `channels` channels (1 or 2) at `ratio` times their rate, as
// `outFrames` frames: output frame n is the sound at input frame n / ratio. With `loop` (input
// frames, played looped) and `outLoop` (the same loop in output frames), the output frames before
// the loop's end are made from the sound with the loop repeated after its end. Values are rounded
// (no dither) and kept within 16 bits; frames the library does not give are silent. With a pool,
// its converters serve.
// REQUIRES: 0 < ratio <= 1; data holds frames x channels values; with a loop: loop->start <
// loop->end <= frames, outLoop->end <= outFrames, and ratio is the loops' lengths' ratio.
Resampled ResampleSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        double ratio, std::uint32_t outFrames,
                        std::optional<LoopPoints> loop = std::nullopt,
                        std::optional<LoopPoints> outLoop = std::nullopt,
                        ResamplerPool* pool = nullptr);

}  // namespace tolvane
