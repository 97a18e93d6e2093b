#include "import/exs/exs_zone.h"

#include <algorithm>
#include <cmath>

#include "import/gain_folding.h"

namespace tolvane {
namespace {

using Word = ZoneParameters::Word;
using Byte = ZoneParameters::Byte;

// Parameter ids of the chunk's tables.
enum ExsParameter : std::uint16_t {
  kMasterVolume = 0x07,
  kCoarseTune = 0x0E,
  kFineTune = 0x0F,
  kResonance = 0x1D,
  kCutoff = 0x1E,
  kFilterOn = 0x2C,
  // The amplitude envelope is Logic's ENV2, hard-wired to level: 0x51-0x55 and its hold. Its
  // attack is taken at full velocity.
  kAmpSustain = 0x51,
  kAmpAttack = 0x52,
  kAmpDecay = 0x54,
  kAmpRelease = 0x55,
  kAmpHold = 0x58,
  kFilterType = 0xF3,
};

constexpr int kLongestReleaseByte = 80;  // 8000 timecents, about 100 s: a one-shot plays out
constexpr double kMostResonanceCentibels = 240;

std::uint8_t Seven(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

// An envelope time code as timecents / 100, the zone's one-byte time unit.
void SetTime(ZoneParameters& parameters, Byte field, std::optional<int> code) {
  if (!code) return;
  const double seconds = ExsTimeSeconds(*code);
  const double timecents = seconds < 0.001 ? -12000 : 1200 * std::log2(seconds);
  parameters.SetSigned(field, static_cast<int>(std::clamp(timecents, -12000.0, 8000.0) / 100));
}

void SetEnvelope(ZoneParameters& parameters, const ExsGlobals& globals) {
  SetTime(parameters, Byte::attackVolEnv, globals.attack);
  SetTime(parameters, Byte::holdVolEnv, globals.hold);
  SetTime(parameters, Byte::decayVolEnv, globals.decay);
  SetTime(parameters, Byte::releaseVolEnv, globals.release);
  if (globals.sustain) {
    // A linear level as centibels below full.
    const double level = std::clamp(*globals.sustain, 0, 127) / 127.0;
    const double centibels = level <= 0 ? 1440 : std::min(1440.0, -200 * std::log10(level));
    parameters.words[Word::sustainVolEnv] = static_cast<std::int16_t>(std::lround(centibels));
  }
}

void SetFilter(ZoneParameters& parameters, const ExsGlobals& globals) {
  if (!globals.filterOn || !globals.LowPass()) return;
  const double cents = 1200 * std::log2(ExsCutoffHz(globals.cutoff) / 8.176);
  parameters.words[Word::initialFilterFc] =
      static_cast<std::int16_t>(std::lround(std::clamp(cents, 1500.0, 13500.0)));
  const double q = std::clamp(globals.resonance, 0, 1000) * kMostResonanceCentibels / 1000;
  parameters.words[Word::initialFilterQ] = static_cast<std::int16_t>(std::lround(q));
}

// A group bound of 0 is no bound.
std::uint8_t HighBound(std::uint8_t high) {
  return high == 0 ? 127 : high;
}

}  // namespace

ExsGlobals ReadExsGlobals(const std::optional<std::map<std::uint16_t, std::int16_t>>& parameters) {
  ExsGlobals globals;
  if (!parameters) return globals;
  const auto value = [&](std::uint16_t id) -> std::optional<int> {
    const auto found = parameters->find(id);
    if (found == parameters->end()) return std::nullopt;
    return found->second;
  };
  globals.masterDb = std::clamp(value(kMasterVolume).value_or(0), -96, 24);
  globals.coarseTune = std::clamp(value(kCoarseTune).value_or(0), -48, 48);
  globals.fineTune = std::clamp(value(kFineTune).value_or(0), -100, 100);
  globals.attack = value(kAmpAttack);
  globals.hold = value(kAmpHold);
  globals.decay = value(kAmpDecay);
  globals.sustain = value(kAmpSustain);
  globals.release = value(kAmpRelease);
  globals.filterOn = value(kFilterOn).value_or(0) != 0;
  globals.filterType = value(kFilterType).value_or(0);
  globals.cutoff = std::clamp(value(kCutoff).value_or(1000), 0, 1000);
  globals.resonance = std::clamp(value(kResonance).value_or(0), 0, 1000);
  return globals;
}

double ExsTimeSeconds(int code) {
  const double x = std::clamp(code, 0, 127) / 127.0;
  return 10 * x * x * x * x;
}

double ExsCutoffHz(int value) {
  return 20 * std::pow(1000.0, std::clamp(value, 0, 1000) / 1000.0);
}

std::optional<SampleZonePlan> PlanExsZone(const ExsZoneRecord& record, const ExsGroupRecord* group,
                                          const ExsGlobals& globals) {
  SampleZonePlan plan;
  Zone& zone = plan.zones.emplace_back();
  InitZone(zone);
  ZoneMapping& mapping = zone.mapping;
  int keyLow = record.keyLow;
  int keyHigh = record.keyHigh;
  const bool velocityRange = (record.flags & ExsZoneVelocityRange) != 0;
  int velocityLow = velocityRange ? record.velocityLow : 0;
  int velocityHigh = velocityRange ? record.velocityHigh : 127;
  int pan = record.pan;
  double gainDb = record.volume + globals.masterDb;
  if (group != nullptr) {
    keyLow = std::max<int>(keyLow, group->keyLow);
    keyHigh = std::min<int>(keyHigh, HighBound(group->keyHigh));
    velocityLow = std::max<int>(velocityLow, group->velocityLow);
    velocityHigh = std::min<int>(velocityHigh, HighBound(group->velocityHigh));
    pan += group->pan;
    gainDb += group->volume;
  }
  if (keyLow > keyHigh || velocityLow > velocityHigh || keyLow > 127 || velocityLow > 127)
    return std::nullopt;
  mapping.keyLow = Seven(keyLow);
  mapping.keyHigh = Seven(keyHigh);
  mapping.velLow = Seven(velocityLow);
  mapping.velHigh = Seven(velocityHigh);
  mapping.overridingRootKey = Seven(record.rootKey);
  plan.rootKey = mapping.overridingRootKey;

  if ((record.flags & ExsZonePitchFixed) != 0) {
    // Pitch tracking off, and with it the zone's tuning: a zone's scale tuning of 0 means "as
    // usual", so a fixed pitch is 1 cent a key about the middle of the range, exact for the
    // single keys of drums.
    mapping.scaleTuning = 1;
    mapping.overridingRootKey = static_cast<std::uint8_t>((mapping.keyLow + mapping.keyHigh) / 2);
  } else {
    const int cents =
        100 * (record.coarseTune + globals.coarseTune) + record.fineTune + globals.fineTune;
    const int total = std::clamp(cents, -12700, 12700);
    mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(total / 100);
    mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(total % 100);
  }

  ZoneParameters& parameters = zone.parameters;
  // Pan is taken as percent of the way to either side.
  parameters.SetSigned(Byte::pan, std::clamp(pan, -100, 100));
  plan.gainDb = std::clamp(gainDb, -kMostAttenuationDb, kMostAttenuationDb);
  parameters.bytes[Byte::attenuation] =
      static_cast<std::uint8_t>(std::clamp(std::round(-gainDb), 0.0, kMostAttenuationDb));
  SetEnvelope(parameters, globals);
  SetFilter(parameters, globals);

  plan.start = record.sampleStart;
  // An end of 0 is none; an end at or before the start is none either (SampleZonePlan).
  if (record.sampleEnd != 0) plan.frames = record.sampleEnd;
  // The zone decides whether it loops, whatever loop its file has.
  plan.looped = (record.loopFlags & kExsLoopOn) != 0;
  if (*plan.looped) {
    plan.loopStart = record.loopStart;
    plan.loopEnd = record.loopEnd > record.loopStart ? record.loopEnd : kLoopToEnd;
    if (record.direction == ExsAlternate) plan.notes.push_back(NoteKind::AlternatingLoop);
  }
  if ((record.flags & ExsZoneReverse) != 0) plan.notes.push_back(NoteKind::Reversed);
  if ((record.flags & ExsZoneOneShot) != 0) {
    // A one-shot plays to its end whenever the key is let go: the longest release keeps it
    // sounding, at full level.
    parameters.SetSigned(Byte::releaseVolEnv, kLongestReleaseByte);
    parameters.words[Word::sustainVolEnv] = 0;
  }
  return plan;
}

}  // namespace tolvane
