#pragma once
// Notes of one instrument rendered one after another into 16-bit stereo frames, through the
// same sampler the window plays live.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audition/playable_instrument.h"

namespace tolvane {

struct RenderNote {
  std::uint8_t key = 60;
  std::uint8_t velocity = 100;  // 1..127
};

struct RenderSettings {
  std::vector<RenderNote> notes;
  double holdSeconds = 1.0;         // from note on to note off
  double maxReleaseSeconds = 10.0;  // after note off, until silent or this long
  std::uint32_t rate = 44100;
};

struct RenderedNotes {
  std::vector<std::int16_t> frames;  // interleaved left, right
  std::vector<std::int32_t> peaks;   // per note, the largest magnitude of its frames, 0..32768
  // Per note, the frames with a value beyond 16 bits in some channel, cut to fit: a peak of
  // 0 dBFS alone does not tell how much was lost.
  std::vector<std::size_t> clippedFrames;
};

RenderedNotes RenderNotes(std::shared_ptr<const PlayableInstrument> instrument,
                          const RenderSettings& settings);

// Full scale 1.0 to 16 bits, rounded and clipped: appended to `out`, or into `out` (which
// holds at least as many values as `in`).
void ToPcm16(std::span<const float> in, std::vector<std::int16_t>& out);
void ToPcm16(std::span<const float> in, std::span<std::int16_t> out);

// The frames of `channels` interleaved values that ToPcm16 would clip in some channel.
std::size_t ClippedFrames(std::span<const float> in, std::size_t channels);

// A peak magnitude (0..32768) in dB below full scale; -infinity for 0.
double PeakDbfs(std::int32_t peak);

}  // namespace tolvane
