#include "audition/offline_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "audition/sampler.h"

namespace tolvane {
namespace {

constexpr std::size_t kBlockFrames = 256;

std::size_t FramesOf(double seconds, std::uint32_t rate) {
  return static_cast<std::size_t>(std::llround(std::max(seconds, 0.0) * rate));
}

}  // namespace

void ToPcm16(std::span<const float> in, std::span<std::int16_t> out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    const float scaled = std::clamp(std::nearbyint(in[i] * 32768.0F), -32768.0F, 32767.0F);
    out[i] = static_cast<std::int16_t>(scaled);
  }
}

void ToPcm16(std::span<const float> in, std::vector<std::int16_t>& out) {
  const std::size_t at = out.size();
  out.resize(at + in.size());
  ToPcm16(in, std::span(out).subspan(at));
}

std::size_t ClippedFrames(std::span<const float> in, std::size_t channels) {
  std::size_t clipped = 0;
  for (std::size_t frame = 0; frame + channels <= in.size(); frame += channels) {
    bool cut = false;
    for (std::size_t c = 0; c < channels; ++c) {
      const float scaled = std::nearbyint(in[frame + c] * 32768.0F);
      cut |= scaled > 32767.0F || scaled < -32768.0F;
    }
    clipped += cut ? 1 : 0;
  }
  return clipped;
}

double PeakDbfs(std::int32_t peak) {
  if (peak <= 0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(peak / 32768.0);
}

RenderedNotes RenderNotes(std::shared_ptr<const PlayableInstrument> instrument,
                          const RenderSettings& settings) {
  Sampler sampler(settings.rate);
  sampler.SetInstrument(std::move(instrument));
  RenderedNotes rendered;
  std::vector<float> block(2 * kBlockFrames);
  // Renders `frames` frames, or fewer when `untilSilent` and the last voice ended.
  std::size_t clipped = 0;  // of the note at hand
  auto render = [&](std::size_t frames, bool untilSilent) {
    while (frames > 0) {
      const std::size_t n = std::min(frames, kBlockFrames);
      sampler.Render(std::span(block).first(2 * n));
      ToPcm16(std::span(block).first(2 * n), rendered.frames);
      clipped += ClippedFrames(std::span(block).first(2 * n), 2);
      frames -= n;
      if (untilSilent && sampler.ActiveVoices() == 0) break;
    }
  };
  for (const RenderNote& note : settings.notes) {
    const std::size_t first = rendered.frames.size();
    clipped = 0;
    sampler.Post({0x90, note.key, note.velocity});
    render(FramesOf(settings.holdSeconds, settings.rate), false);
    sampler.Post({0x80, note.key, 0});
    render(FramesOf(settings.maxReleaseSeconds, settings.rate), true);
    sampler.Silence();  // whatever outlasted the release does not sound into the next note
    std::int32_t peak = 0;
    for (std::size_t i = first; i < rendered.frames.size(); ++i)
      peak = std::max(peak, std::abs(static_cast<std::int32_t>(rendered.frames[i])));
    rendered.peaks.push_back(peak);
    rendered.clippedFrames.push_back(clipped);
  }
  return rendered;
}

}  // namespace tolvane
