#include "import/bitwig/multisample_zone.h"

#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

std::uint8_t Seven(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

// Frames as written (fractions allowed) rounded into [0, most].
std::uint32_t Frames(double value, std::uint32_t most) {
  return static_cast<std::uint32_t>(std::clamp(std::round(value), 0.0, static_cast<double>(most)));
}

}  // namespace

void ApplyGain(Zone& zone, double gainDb) {
  zone.parameters.bytes[ZoneParameters::attenuation] =
      static_cast<std::uint8_t>(std::clamp(std::round(-gainDb), 0.0, 144.0));
}

MultisampleZonePlan PlanMultisampleZone(const MultisampleSample& sample) {
  MultisampleZonePlan plan;
  Zone& zone = plan.zone;
  InitZone(zone);
  ZoneMapping& mapping = zone.mapping;
  mapping.keyLow = Seven(sample.keyLow);
  mapping.keyHigh = Seven(sample.keyHigh);
  // Velocity 1 is the softest a note can be: the format's lowest bound is the zone's 0.
  mapping.velLow = sample.velocityLow <= 1 ? 0 : Seven(sample.velocityLow);
  mapping.velHigh = Seven(sample.velocityHigh);
  mapping.overridingRootKey = Seven(sample.root);

  // Cents, whole semitones carried into the coarse tune.
  const auto cents = static_cast<int>(std::clamp(std::round(sample.tune * 100), -12700.0, 12700.0));
  mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(cents / 100);
  mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(cents % 100);

  const auto perKey = static_cast<int>(std::clamp(std::round(sample.track * 100), -1200.0, 1200.0));
  if (perKey == 0) {
    // A zone's 0 means "as usual" (100 cents a key), so a fixed pitch is kept as 1 cent a key
    // about the middle of the range: exact for a single key (drums), within 64 cents always.
    mapping.scaleTuning = 1;
    mapping.overridingRootKey =
        static_cast<std::uint8_t>((mapping.keyLow + std::max(mapping.keyLow, mapping.keyHigh)) / 2);
  } else if (perKey != 100) {
    mapping.scaleTuning = static_cast<std::int16_t>(perKey);
  }
  ApplyGain(zone, sample.gainDb);
  return plan;
}

MultisampleCut CutMultisample(const MultisampleSample& sample, std::uint32_t frames,
                              const std::optional<SoundLoop>& fileLoop) {
  MultisampleCut cut;
  const std::uint32_t start = Frames(sample.start, frames);
  std::uint32_t stop = sample.stop ? Frames(*sample.stop, frames) : frames;
  if (stop <= start) stop = frames;  // a stop at or before the start marks no end
  cut.frames = stop;
  cut.start = std::min(start, stop == 0 ? 0 : stop - 1);
  if (sample.loop) {
    cut.looped = sample.loop->mode != MultisampleLoopMode::Off;
    const std::uint32_t end =
        sample.loop->stop ? Frames(*sample.loop->stop, cut.frames) : cut.frames;
    cut.loop = SoundLoop{std::min(Frames(sample.loop->start, cut.frames), end), end};
  } else {
    cut.looped = fileLoop.has_value();
    if (fileLoop) {
      const std::uint32_t end = std::min(fileLoop->end, cut.frames);
      cut.loop = SoundLoop{std::min(fileLoop->start, end), end};
    } else {
      cut.loop = SoundLoop{0, cut.frames};
    }
  }
  // A loop with nothing in it cannot play.
  if (cut.loop.start >= cut.loop.end) cut.looped = false;
  return cut;
}

}  // namespace tolvane
