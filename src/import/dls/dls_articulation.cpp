#include "import/dls/dls_articulation.h"

#include <algorithm>
#include <optional>

#include "library/zone.h"

namespace tolvane {
namespace {

// Connection sources and destinations read here.
constexpr std::uint16_t kSourceNone = 0x0000;
constexpr std::uint16_t kSourceKeyNumber = 0x0003;
constexpr std::uint16_t kDestGain = 0x0001;
constexpr std::uint16_t kDestPitch = 0x0003;
constexpr std::uint16_t kDestPan = 0x0004;
constexpr std::uint16_t kDestAttack = 0x0206;
constexpr std::uint16_t kDestDecay = 0x0207;
constexpr std::uint16_t kDestRelease = 0x0209;
constexpr std::uint16_t kDestSustain = 0x020A;
constexpr std::uint16_t kDestHold = 0x020C;
constexpr std::uint16_t kDestFilterCutoff = 0x0500;
constexpr std::uint16_t kDestFilterQ = 0x0501;

constexpr std::int32_t kFilterOff = 0x7FFFFFFF;     // raw cutoff meaning no filter
constexpr std::int64_t kDefaultKeyToPitch = 12800;  // cents at key 128: 100 per key
constexpr std::int64_t kCentreKey = 60;             // where SoundFont key scaling is neutral
constexpr std::int64_t kKeyScale = 128;             // DLS normalises key numbers by 128

// The amount of a 16.16 fixed-point scale, rounded to the nearest unit.
std::int64_t Units(std::int32_t scale) {
  return (std::int64_t{scale} + 0x8000) >> 16;
}

std::int16_t Clamp(std::int64_t value, std::int64_t low, std::int64_t high) {
  return static_cast<std::int16_t>(std::clamp(value, low, high));
}

// SoundFont 2 ranges of what lands here.
constexpr std::int64_t kShortestTime = -12000;
constexpr std::int64_t kLongestTime = 8000;
constexpr std::int64_t kLongestHold = 5000;

struct Constants {
  std::optional<std::int64_t> attack, decay, release, sustain, hold, pan, cutoff, q;
  std::optional<std::int64_t> gain, pitch;
  std::int64_t keyToDecay = 0;
  std::int64_t keyToHold = 0;
  std::int64_t keyToPitch = kDefaultKeyToPitch;
};

// Where a block without a source goes; false for destinations a zone has no place for.
bool TakeConstant(Constants& c, const DlsConnection& block) {
  const std::int64_t value = Units(block.scale);
  switch (block.destination) {
    case kDestGain:
      c.gain = value;
      return true;
    case kDestPitch:
      c.pitch = value;
      return true;
    case kDestPan:
      c.pan = value;
      return true;
    case kDestAttack:
      c.attack = value;
      return true;
    case kDestDecay:
      c.decay = value;
      return true;
    case kDestRelease:
      c.release = value;
      return true;
    case kDestSustain:
      c.sustain = value;
      return true;
    case kDestHold:
      c.hold = value;
      return true;
    case kDestFilterCutoff:
      if (block.scale != kFilterOff) c.cutoff = value;
      return true;
    case kDestFilterQ:
      c.q = value;
      return true;
    default:
      return false;
  }
}

// Key-number scaling of decay, hold and pitch; false for any other modulated block.
bool TakeKeyScaling(Constants& c, const DlsConnection& block) {
  if (block.source != kSourceKeyNumber || block.control != kSourceNone) return false;
  const std::int64_t value = Units(block.scale);
  switch (block.destination) {
    case kDestDecay:
      c.keyToDecay = value;
      return true;
    case kDestHold:
      c.keyToHold = value;
      return true;
    case kDestPitch:
      c.keyToPitch = value;
      return true;
    default:
      return false;
  }
}

}  // namespace

DlsZoneArticulation ConvertArticulation(std::span<const DlsConnection> connections) {
  DlsZoneArticulation out;
  Constants c;
  for (const DlsConnection& block : connections) {
    if (block.source == kSourceNone && block.control == kSourceNone) {
      TakeConstant(c, block);  // destinations without a place (sends, LFO rates, ...) go
    } else if (!TakeKeyScaling(c, block)) {
      ++out.modulated;
    }
  }
  auto add = [&out](std::uint16_t generator, std::int16_t amount) {
    out.generators.emplace_back(generator, amount);
  };
  if (c.attack) add(kGenAttackVolEnv, Clamp(*c.attack, kShortestTime, kLongestTime));
  if (c.release) add(kGenReleaseVolEnv, Clamp(*c.release, kShortestTime, kLongestTime));
  // DLS scales by key / 128 from key 0, SoundFont by (60 - key) from key 60: the same slope,
  // and the time at key 60 as the base.
  if (c.decay || c.keyToDecay != 0) {
    const std::int64_t base = c.decay.value_or(kShortestTime);
    add(kGenDecayVolEnv,
        Clamp(base + c.keyToDecay * kCentreKey / kKeyScale, kShortestTime, kLongestTime));
    if (c.keyToDecay != 0)
      add(kGenKeynumToVolEnvDecay, Clamp(-c.keyToDecay / kKeyScale, -1200, 1200));
  }
  if (c.hold || c.keyToHold != 0) {
    const std::int64_t base = c.hold.value_or(kShortestTime);
    add(kGenHoldVolEnv,
        Clamp(base + c.keyToHold * kCentreKey / kKeyScale, kShortestTime, kLongestHold));
    if (c.keyToHold != 0) add(kGenKeynumToVolEnvHold, Clamp(-c.keyToHold / kKeyScale, -1200, 1200));
  }
  // Sustain in tenths of a percent of full level; SoundFont's in centibels below it, with
  // 0 % at 96 dB as players take it.
  if (c.sustain)
    add(kGenSustainVolEnv,
        Clamp((1000 - std::clamp<std::int64_t>(*c.sustain, 0, 1000)) * 96 / 100, 0, 1440));
  if (c.pan) add(kGenPan, Clamp(*c.pan, -500, 500));
  if (c.cutoff) add(kGenInitialFilterFc, Clamp(*c.cutoff, 1500, 13500));
  if (c.q) add(kGenInitialFilterQ, Clamp(*c.q, 0, 960));
  if (c.keyToPitch != kDefaultKeyToPitch)
    add(kGenScaleTuning, Clamp(c.keyToPitch / kKeyScale, 0, 1200));
  out.gain =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(c.gain.value_or(0), -100000, 100000));
  out.pitch =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(c.pitch.value_or(0), -100000, 100000));
  return out;
}

}  // namespace tolvane
