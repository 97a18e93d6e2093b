#include "import/bitwig/multisample_zone.h"

#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

std::uint8_t Seven(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

// Frames as written (fractions allowed) rounded to a frame number; the sample brings it inside.
std::uint32_t FrameNumber(double value) {
  return static_cast<std::uint32_t>(std::clamp(std::round(value), 0.0, 4294967295.0));
}

}  // namespace

void ApplyGain(Zone& zone, double gainDb) {
  zone.parameters.bytes[ZoneParameters::attenuation] =
      static_cast<std::uint8_t>(std::clamp(std::round(-gainDb), 0.0, 144.0));
}

SampleZonePlan PlanMultisampleZone(const MultisampleSample& sample) {
  SampleZonePlan plan;
  Zone& zone = plan.zones.emplace_back();
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

  plan.start = FrameNumber(sample.start);
  if (sample.stop) plan.frames = FrameNumber(*sample.stop);
  // A <loop> element decides, even to switch off a loop the file has; without a stop it runs to
  // the sample's end.
  if (sample.loop) {
    plan.looped = sample.loop->mode != MultisampleLoopMode::Off;
    plan.loopStart = FrameNumber(sample.loop->start);
    plan.loopEnd = sample.loop->stop ? FrameNumber(*sample.loop->stop) : kLoopToEnd;
  }
  plan.rootKey = static_cast<std::uint32_t>(std::clamp(sample.root, 0, 127));
  plan.gainDb = sample.gainDb;
  if (sample.reverse) plan.notes.push_back(NoteKind::Reversed);
  if (sample.loop && sample.loop->mode == MultisampleLoopMode::PingPong)
    plan.notes.push_back(NoteKind::AlternatingLoop);
  return plan;
}

}  // namespace tolvane
