#include "analysis/resampling.h"

#include <soxr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <span>

namespace tolvane {
namespace {

constexpr float kFullScale = 32768;

// Input frames beyond which the library's filter reaches from an output frame, with room: its
// very high quality filter reaches about a thousand input frames at a twelfth of the rate.
constexpr std::uint32_t kFilterReach = 2048;

// Frames [from, to) of `data` as floats, then, with a loop, the loop [start, end) repeated for
// kFilterReach frames more.
std::vector<float> FloatFrames(const SampleData& data, std::uint32_t channels, std::uint32_t from,
                               std::uint32_t to, std::optional<LoopPoints> loop) {
  const std::uint32_t runOn = loop ? kFilterReach : 0;
  std::vector<float> out((std::size_t{to - from} + runOn) * channels);
  std::array<std::int16_t, 4096> block{};
  const std::size_t values = std::size_t{to - from} * channels;
  for (std::size_t done = 0; done < values; done += block.size()) {
    const std::span<std::int16_t> part =
        std::span(block).first(std::min(block.size(), values - done));
    data.CopyInterleaved(std::size_t{from} * channels + done, part);
    for (std::size_t i = 0; i < part.size(); ++i) out[done + i] = part[i] / kFullScale;
  }
  if (loop) {
    const std::size_t length = std::size_t{loop->end - loop->start} * channels;
    const std::size_t start = std::size_t{loop->start - from} * channels;
    for (std::size_t i = 0; i < std::size_t{runOn} * channels; ++i)
      out[values + i] = out[start + i % length];
  }
  return out;
}

std::int16_t Rounded(float value) {
  const float scaled = std::nearbyint(value * kFullScale);
  return static_cast<std::int16_t>(std::clamp(scaled, -32768.0F, 32767.0F));
}

// `in` (interleaved frames) resampled into `out`, whose frames past what the library gives stay
// as they are; the library's error, or none.
const char* Run(std::span<const float> in, std::uint32_t channels, double ratio,
                std::span<float> out) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
  std::size_t done = 0;
  return soxr_oneshot(1.0, ratio, channels, in.data(), in.size() / channels, nullptr, out.data(),
                      out.size() / channels, &done, &io, &quality, nullptr);
}

// The latest input frame at most `before` that lands on a whole output frame when a loop of
// `length` input frames becomes `outLength`: a multiple of length / gcd.
std::uint32_t AlignedFrame(std::uint32_t before, std::uint32_t length, std::uint32_t outLength) {
  const std::uint32_t step = length / std::gcd(length, outLength);
  return before / step * step;
}

}  // namespace

Resampled ResampleSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        double ratio, std::uint32_t outFrames, std::optional<LoopPoints> loop,
                        std::optional<LoopPoints> outLoop) {
  Resampled result;
  std::vector<float> out(std::size_t{outFrames} * channels);
  const std::span<float> all(out);
  const char* error = nullptr;
  if (!loop || !outLoop) {
    error = Run(FloatFrames(data, channels, 0, frames, std::nullopt), channels, ratio, all);
  } else {
    // Up to the loop's end from the sound as it is played looped; after it, from the recording,
    // starting far enough before the end for the filter, on a frame that lands on a whole output
    // frame so that the two runs line up.
    const std::size_t headEnd = std::size_t{outLoop->end} * channels;
    error =
        Run(FloatFrames(data, channels, 0, loop->end, loop), channels, ratio, all.first(headEnd));
    if (error == nullptr && outLoop->end < outFrames) {
      const std::uint32_t length = loop->end - loop->start;
      const std::uint32_t outLength = outLoop->end - outLoop->start;
      const std::uint32_t from =
          AlignedFrame(loop->end > kFilterReach ? loop->end - kFilterReach : 0, length, outLength);
      const std::size_t outFrom = std::size_t{from} * outLength / length;
      std::vector<float> tail(out.size() - outFrom * channels);
      error = Run(FloatFrames(data, channels, from, frames, std::nullopt), channels, ratio, tail);
      std::copy(tail.begin() + static_cast<std::ptrdiff_t>(headEnd - outFrom * channels),
                tail.end(), out.begin() + static_cast<std::ptrdiff_t>(headEnd));
    }
  }
  if (error != nullptr) {
    result.error = error;
    return result;
  }
  result.values.resize(out.size());
  std::transform(out.begin(), out.end(), result.values.begin(), Rounded);
  return result;
}

}  // namespace tolvane
