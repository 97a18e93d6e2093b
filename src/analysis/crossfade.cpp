#include "analysis/crossfade.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tolvane {

std::uint32_t CrossfadeFrames(LoopPoints loop, double ms, std::uint32_t rate) {
  if (!(ms > 0) || loop.end <= loop.start) return 0;
  const double wanted = std::round(std::min(ms, kLongestCrossfadeMs) * rate / 1000);
  return std::min({static_cast<std::uint32_t>(wanted), loop.start, loop.end - loop.start});
}

SampleData CrossfadeLoop(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                         LoopPoints loop, std::uint32_t fade) {
  std::vector<std::int16_t> values(std::size_t{frames} * channels);
  data.CopyInterleaved(0, values);
  const std::size_t into = std::size_t{loop.end - fade} * channels;
  const std::size_t from = std::size_t{loop.start - fade} * channels;
  for (std::uint32_t i = 0; i < fade; ++i) {
    // From all end (i = 0 just after the unblended frame before) to all start (the last frame
    // of the fade is nearly the frame before the start).
    const double angle = std::numbers::pi / 2 * (i + 1.0) / (fade + 1.0);
    const double keep = std::cos(angle);
    const double take = std::sin(angle);
    for (std::uint32_t c = 0; c < channels; ++c) {
      const std::size_t k = std::size_t{i} * channels + c;
      const double blended = keep * values[into + k] + take * data[from + k];
      values[into + k] =
          static_cast<std::int16_t>(std::clamp(std::round(blended), -32768.0, 32767.0));
    }
  }
  return SampleData(std::move(values));
}

}  // namespace tolvane
