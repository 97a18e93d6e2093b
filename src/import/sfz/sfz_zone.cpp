#include "import/sfz/sfz_zone.h"

#include <algorithm>
#include <cmath>

#include "import/gain_folding.h"

namespace tolvane {
namespace {

constexpr int kDefaultKeyCenter = 60;
constexpr double kShortestTime = 0.001;  // seconds; shorter is the -12000 timecents default

using Word = ZoneParameters::Word;
using Byte = ZoneParameters::Byte;

std::uint8_t Key7(int key) {
  return static_cast<std::uint8_t>(std::clamp(key, 0, 127));
}

// Clamped before the conversion: a number far out of range has no integer to become.
std::uint8_t Velocity7(double velocity) {
  return static_cast<std::uint8_t>(std::clamp(velocity, 0.0, 127.0));
}

std::optional<int> KeyOf(const SfzOpcodes& opcodes, std::string_view name, int offset) {
  const auto found = opcodes.find(name);
  if (found == opcodes.end()) return std::nullopt;
  return ParseSfzKey(found->second, offset);
}

// Seconds as timecents / 100, the zone's one-byte time unit.
void SetTime(ZoneParameters& parameters, Byte field, std::optional<double> seconds) {
  if (!seconds) return;
  const double timecents = *seconds < kShortestTime ? -12000 : 1200 * std::log2(*seconds);
  parameters.SetSigned(field, static_cast<int>(std::clamp(timecents, -12000.0, 8000.0) / 100));
}

}  // namespace

std::optional<SfzZonePlan> PlanSfzZone(const SfzRegion& region) {
  const SfzOpcodes& op = region.opcodes;
  const SfzOpcodes& control = region.control;
  const auto sample = op.find("sample");
  if (sample == op.end() || sample->second.empty()) return std::nullopt;
  SfzZonePlan plan;
  std::string path;
  if (const auto folder = control.find("default_path"); folder != control.end())
    path = folder->second;
  path += sample->second;
  std::replace(path.begin(), path.end(), '\\', '/');
  plan.samplePath = std::move(path);

  Zone& zone = plan.zone;
  InitZone(zone);
  ZoneMapping& mapping = zone.mapping;
  ZoneParameters& parameters = zone.parameters;
  const int offset = SfzKeyOffset(control);

  int center = kDefaultKeyCenter;
  if (const auto key = KeyOf(op, "key", offset)) {
    mapping.keyLow = mapping.keyHigh = Key7(*key);
    center = *key;
  }
  if (const auto low = KeyOf(op, "lokey", offset)) mapping.keyLow = Key7(*low);
  if (const auto high = KeyOf(op, "hikey", offset)) mapping.keyHigh = Key7(*high);
  if (const auto keyCenter = KeyOf(op, "pitch_keycenter", offset)) center = *keyCenter;
  mapping.overridingRootKey = Key7(center);
  if (const auto low = SfzNumber(op, "lovel")) mapping.velLow = Velocity7(*low);
  if (const auto high = SfzNumber(op, "hivel")) mapping.velHigh = Velocity7(*high);

  // Cents, whole semitones carried into the coarse tune.
  const double cents =
      SfzNumber(op, "tune").value_or(0) + 100 * SfzNumber(op, "transpose").value_or(0);
  const auto total = static_cast<int>(std::clamp(cents, -12700.0, 12700.0));
  mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(total / 100);
  mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(total % 100);
  if (const auto keytrack = SfzNumber(op, "pitch_keytrack"))
    mapping.scaleTuning = static_cast<std::int16_t>(std::clamp(*keytrack, -1200.0, 1200.0));
  if (const auto start = SfzNumber(op, "offset")) {
    mapping.startOffset = mapping.startOffset2 =
        static_cast<std::int32_t>(2 * std::clamp(*start, 0.0, 1073741823.0));
  }

  if (const auto volume = SfzNumber(op, "volume")) {
    plan.gainDb = std::clamp(*volume, -kMostAttenuationDb, kMostAttenuationDb);
    parameters.bytes[Byte::attenuation] =
        static_cast<std::uint8_t>(std::clamp(-*volume, 0.0, 144.0));
  }
  if (const auto pan = SfzNumber(op, "pan"))
    parameters.SetSigned(Byte::pan, static_cast<int>(std::clamp(*pan, -100.0, 100.0)));

  SetTime(parameters, Byte::attackVolEnv, SfzNumber(op, "ampeg_attack"));
  SetTime(parameters, Byte::holdVolEnv, SfzNumber(op, "ampeg_hold"));
  SetTime(parameters, Byte::decayVolEnv, SfzNumber(op, "ampeg_decay"));
  SetTime(parameters, Byte::releaseVolEnv, SfzNumber(op, "ampeg_release"));
  if (const auto sustain = SfzNumber(op, "ampeg_sustain")) {
    // Percent of full level as centibels below it.
    const double level = std::clamp(*sustain, 0.0, 100.0) / 100;
    const double centibels = level <= 0 ? 1440 : std::min(1440.0, -200 * std::log10(level));
    parameters.words[Word::sustainVolEnv] = static_cast<std::int16_t>(centibels);
  }

  const auto filter = op.find("fil_type");
  const bool lowPass = filter == op.end() || filter->second.starts_with("lpf");
  if (const auto cutoff = SfzNumber(op, "cutoff"); cutoff && lowPass && *cutoff > 0) {
    // Absolute cents: 0 is 8.176 Hz.
    const double absolute = 1200 * std::log2(*cutoff / 8.176);
    parameters.words[Word::initialFilterFc] =
        static_cast<std::int16_t>(std::clamp(absolute, 1500.0, 13500.0));
    if (const auto resonance = SfzNumber(op, "resonance")) {
      parameters.words[Word::initialFilterQ] =
          static_cast<std::int16_t>(std::clamp(*resonance * 10, 0.0, 960.0));
    }
  }

  if (const auto mode = op.find("loop_mode"); mode != op.end()) {
    if (mode->second == "no_loop" || mode->second == "one_shot") plan.looped = false;
    if (mode->second == "loop_continuous" || mode->second == "loop_sustain") plan.looped = true;
  }
  const auto loopStart = SfzNumber(op, "loop_start");
  const auto loopEnd = SfzNumber(op, "loop_end");
  if (loopStart || loopEnd) {
    const double start = std::clamp(loopStart.value_or(0), 0.0, 4294967294.0);
    const double end = std::clamp(loopEnd.value_or(4294967294.0), 0.0, 4294967294.0);
    plan.loop = SoundLoop{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end) + 1};
  }
  return plan;
}

}  // namespace tolvane
