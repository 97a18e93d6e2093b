#include "import/decent/decent_zone.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tolvane {
namespace {

constexpr double kSilenceDb = -144;        // the quietest a zone can be
constexpr double kShortestTime = 0.001;    // seconds; shorter is the -12000 timecents default
constexpr double kLastFrame = 4294967294;  // a frame whose exclusive end still fits 32 bits

using Word = ZoneParameters::Word;
using Byte = ZoneParameters::Byte;

std::string_view Trim(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

std::optional<double> Number(const DecentAttributes& attributes, std::string_view name) {
  const auto text = DecentAttribute(attributes, name);
  return text ? DecentNumber(*text) : std::nullopt;
}

std::optional<bool> Flag(const DecentAttributes& attributes, std::string_view name) {
  const auto text = DecentAttribute(attributes, name);
  if (!text) return std::nullopt;
  const std::string_view value = Trim(*text);
  if (EqualsIgnoringCase(value, "true") || value == "1") return true;
  if (EqualsIgnoringCase(value, "false") || value == "0") return false;
  return std::nullopt;
}

// Clamped before the conversion: a number far out of range has no integer to become.
std::uint8_t Midi7(double value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 127.0));
}

std::optional<std::uint32_t> Frame(const DecentAttributes& attributes, std::string_view name) {
  const auto value = Number(attributes, name);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(std::clamp(*value, 0.0, kLastFrame));
}

// Seconds as timecents / 100, the zone's one-byte time unit.
void SetTime(ZoneParameters& parameters, Byte field, std::optional<double> seconds) {
  if (!seconds) return;
  const double timecents = *seconds < kShortestTime ? -12000 : 1200 * std::log2(*seconds);
  parameters.SetSigned(field, static_cast<int>(std::clamp(timecents, -12000.0, 8000.0) / 100));
}

DecentSkip SkipOf(const DecentAttributes& attributes) {
  if (const auto trigger = DecentAttribute(attributes, "trigger");
      trigger && EqualsIgnoringCase(Trim(*trigger), "release"))
    return DecentSkip::ReleaseTrigger;
  // With the default "always" every position sounds together; in a queue only the first is
  // kept.
  const auto mode = DecentAttribute(attributes, "seqMode");
  const bool queued = mode && !EqualsIgnoringCase(Trim(*mode), "always");
  if (queued && Number(attributes, "seqPosition").value_or(1) > 1)
    return DecentSkip::LaterRoundRobin;
  return DecentSkip::None;
}

void MapKeysAndTuning(DecentZonePlan& plan, const DecentSampleRecord& record) {
  const DecentAttributes& a = record.attributes;
  ZoneMapping& mapping = plan.zone.mapping;
  if (const auto root = Number(a, "rootNote")) plan.rootKey = Midi7(*root);
  if (const auto low = Number(a, "loNote")) mapping.keyLow = Midi7(*low);
  if (const auto high = Number(a, "hiNote")) mapping.keyHigh = Midi7(*high);
  if (const auto low = Number(a, "loVel")) mapping.velLow = Midi7(*low);
  if (const auto high = Number(a, "hiVel")) mapping.velHigh = Midi7(*high);

  // Semitones of the three stages added, as cents; whole semitones carried into the coarse tune.
  double semitones = Number(a, "tuning").value_or(0);
  for (const std::string& tuning : record.tunings) semitones += DecentNumber(tuning).value_or(0);
  const auto cents = static_cast<int>(std::lround(std::clamp(semitones * 100, -12700.0, 12700.0)));
  mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(cents / 100);
  mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(cents % 100);
  if (const auto track = Number(a, "pitchKeyTrack"))
    mapping.scaleTuning =
        static_cast<std::int16_t>(std::lround(std::clamp(*track, -12.0, 12.0) * 100));
  if (const auto start = Number(a, "start")) {
    mapping.startOffset = mapping.startOffset2 =
        static_cast<std::int32_t>(2 * std::clamp(*start, 0.0, 1073741823.0));
  }
}

void MapLevelAndEnvelope(DecentZonePlan& plan, const DecentSampleRecord& record) {
  const DecentAttributes& a = record.attributes;
  ZoneParameters& parameters = plan.zone.parameters;
  for (const std::string& volume : record.volumes)
    plan.gainDb += DecentVolumeDb(volume).value_or(0);
  plan.gainDb = std::max(plan.gainDb, kSilenceDb);
  parameters.bytes[Byte::attenuation] =
      static_cast<std::uint8_t>(std::lround(std::clamp(-plan.gainDb, 0.0, -kSilenceDb)));
  if (const auto pan = Number(a, "pan"))
    parameters.SetSigned(Byte::pan, static_cast<int>(std::lround(std::clamp(*pan, -100.0, 100.0))));

  SetTime(parameters, Byte::attackVolEnv, Number(a, "attack"));
  SetTime(parameters, Byte::decayVolEnv, Number(a, "decay"));
  SetTime(parameters, Byte::releaseVolEnv, Number(a, "release"));
  if (const auto sustain = Number(a, "sustain")) {
    // A level of 0 to 1 (presets hold larger values: full level) as centibels below full.
    const double level = std::clamp(*sustain, 0.0, 1.0);
    const double centibels = level <= 0 ? 1440 : std::min(1440.0, -200 * std::log10(level));
    parameters.words[Word::sustainVolEnv] = static_cast<std::int16_t>(centibels);
  }
}

}  // namespace

std::optional<double> DecentNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<double> DecentVolumeDb(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && EqualsIgnoringCase(text.substr(text.size() - 2), "db"))
    return DecentNumber(text.substr(0, text.size() - 2));
  const auto linear = DecentNumber(text);
  if (!linear) return std::nullopt;
  return *linear <= 0 ? kSilenceDb : std::max(kSilenceDb, 20 * std::log10(*linear));
}

std::optional<DecentZonePlan> PlanDecentZone(const DecentSampleRecord& record) {
  const DecentAttributes& a = record.attributes;
  const auto path = DecentAttribute(a, "path");
  if (!path) return std::nullopt;
  DecentZonePlan plan;
  plan.path = std::string(*path);
  std::replace(plan.path.begin(), plan.path.end(), '\\', '/');
  plan.skip = SkipOf(a);
  InitZone(plan.zone);
  MapKeysAndTuning(plan, record);
  MapLevelAndEnvelope(plan, record);
  plan.end = Frame(a, "end");
  plan.looped = Flag(a, "loopEnabled");
  plan.loopStart = Frame(a, "loopStart");
  if (const auto loopEnd = Frame(a, "loopEnd")) plan.loopEnd = *loopEnd + 1;
  return plan;
}

}  // namespace tolvane
