#include "import/mpc/mpc_zone.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "import/mpc/mpc_outcome.h"

namespace tolvane {
namespace {

using Word = ZoneParameters::Word;
using Byte = ZoneParameters::Byte;

constexpr double kSilenceDb = -144;
constexpr double kLastFrame = 4294967294;
constexpr int kWholeSample = 128;
// Resonance 1 as 24 dB of filter peak: the MPC does not name its scale.
constexpr double kMostResonanceCentibels = 240;

std::uint8_t Seven(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

std::uint32_t Frame(double value) {
  return static_cast<std::uint32_t>(std::clamp(std::round(value), 0.0, kLastFrame));
}

// Seconds as timecents / 100, the zone's one-byte time unit.
void SetTime(ZoneParameters& parameters, Byte field, std::optional<double> value) {
  if (!value) return;
  const double timecents = 1200 * std::log2(MpcSeconds(*value));
  parameters.SetSigned(field, static_cast<int>(std::clamp(timecents, -12000.0, 8000.0) / 100));
}

// The filter types the MPC lists as low-pass (1 to 5 poles, and its own "MPC" model).
bool LowPass(int type) {
  return (type >= 1 && type <= 5) || type == 29;
}

void ApplySynth(SampleZonePlan& plan, const MpcSynth& synth, bool oneShot, ImportDrops& drops) {
  ZoneParameters& parameters = plan.zones.front().parameters;
  SetTime(parameters, Byte::attackVolEnv, synth.attack);
  SetTime(parameters, Byte::holdVolEnv, synth.hold);
  SetTime(parameters, Byte::decayVolEnv, synth.decay);
  SetTime(parameters, Byte::releaseVolEnv, synth.release);
  std::optional<double> sustain = synth.sustain;
  if (synth.attackDecayOnly) sustain = 0;
  if (sustain) {
    const double level = std::clamp(*sustain, 0.0, 1.0);
    const double centibels = level <= 0 ? 1440 : std::min(1440.0, -200 * std::log10(level));
    parameters.words[Word::sustainVolEnv] = static_cast<std::int16_t>(centibels);
  }
  // A one-shot plays to its end whenever the key is let go: the longest release there is.
  if (oneShot) parameters.SetSigned(Byte::releaseVolEnv, 80);

  if (synth.filterType == 0) return;
  if (!LowPass(synth.filterType)) {
    drops.Note(kMpcFilterNotKept);
    return;
  }
  const double cents = 1200 * std::log2(MpcCutoffHz(synth.cutoff) / 8.176);
  parameters.words[Word::initialFilterFc] =
      static_cast<std::int16_t>(std::clamp(cents, 1500.0, 13500.0));
  parameters.words[Word::initialFilterQ] = static_cast<std::int16_t>(
      std::lround(std::clamp(synth.resonance, 0.0, 1.0) * kMostResonanceCentibels));
}

// Start, end and loop: the Slice* fields where the device keeps them, else the legacy ones,
// else the sample's own loop.
void ApplyRegion(SampleZonePlan& plan, const MpcLayer& layer, bool oneShot) {
  const double sliceStart = layer.sliceStart.value_or(0);
  if (layer.sliceEnd && *layer.sliceEnd > sliceStart) {
    plan.start = Frame(sliceStart);
    plan.frames = Frame(*layer.sliceEnd);
  } else if (layer.sampleEnd > layer.sampleStart) {
    plan.start = Frame(layer.sampleStart);
    plan.frames = Frame(layer.sampleEnd);
  } else if (sliceStart > 0) {
    plan.start = Frame(sliceStart);
  }
  if (oneShot) {
    plan.looped = false;
  } else if (layer.sliceLoop) {
    plan.looped = *layer.sliceLoop != 0;
    // The loop runs to the region's end.
    plan.loopStart = Frame(layer.sliceLoopStart);
    plan.loopEnd = plan.frames.value_or(kLoopToEnd);
  } else if (layer.loop) {
    plan.looped = *layer.loop;
    if (layer.loopEnd > layer.loopStart) {
      plan.loopStart = Frame(layer.loopStart);
      plan.loopEnd = Frame(layer.loopEnd);
    }
  }
}

}  // namespace

double MpcSeconds(double value) {
  return 0.001 * std::pow(100000.0, std::clamp(value, 0.0, 1.0));
}

double MpcCutoffHz(double value) {
  const double hz = 880 * std::exp2((140 * std::clamp(value, 0.0, 1.0) - 57) / 12);
  return std::clamp(hz, 32.7, 106000.0);
}

SampleZonePlan PlanMpcZone(const MpcProgram& program, const MpcInstrument& instrument,
                           const MpcLayer& layer, const MpcKeys& keys, ImportDrops& drops) {
  SampleZonePlan plan;
  Zone& zone = plan.zones.emplace_back();
  InitZone(zone);
  ZoneMapping& mapping = zone.mapping;
  mapping.keyLow = Seven(std::min(keys.keyLow, keys.keyHigh));
  mapping.keyHigh = Seven(std::max(keys.keyLow, keys.keyHigh));
  // Velocity 1 is the softest a note can be: the format's lowest bound is the zone's 0.
  const int velLow = std::min(layer.velStart, layer.velEnd);
  mapping.velLow = velLow <= 1 ? 0 : Seven(velLow);
  mapping.velHigh = Seven(std::max(layer.velStart, layer.velEnd));

  if (keys.padNote) {
    plan.rootKey = Seven(*keys.padNote);
  } else if (layer.rootNote >= 1) {
    // RootNote counts from 1: MIDI note 60 is written 61.
    plan.rootKey = Seven(layer.rootNote - 1);
  }
  if (plan.rootKey) mapping.overridingRootKey = static_cast<std::uint8_t>(*plan.rootKey);

  const double semitones = program.semitones + instrument.semitones + layer.semitones;
  const auto cents = static_cast<int>(std::lround(std::clamp(semitones * 100, -12700.0, 12700.0)));
  mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(cents / 100);
  mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(cents % 100);

  // Three gain stages that multiply; above 0 dB the sample takes the rest.
  const double gain = program.volume * instrument.volume * layer.volume;
  plan.gainDb = gain > 0 ? std::max(kSilenceDb, 20 * std::log10(gain)) : kSilenceDb;
  zone.parameters.bytes[Byte::attenuation] =
      static_cast<std::uint8_t>(std::lround(std::clamp(-plan.gainDb, 0.0, -kSilenceDb)));
  const double pan = (2 * program.pan - 1) + (2 * instrument.pan - 1) + (2 * layer.pan - 1);
  zone.parameters.SetSigned(Byte::pan,
                            static_cast<int>(std::lround(std::clamp(pan, -1.0, 1.0) * 100)));

  ApplySynth(plan, program.globalSynth.value_or(instrument.synth), instrument.oneShot, drops);
  ApplyRegion(plan, layer, instrument.oneShot);
  if (layer.sliceIndex >= 0 && layer.sliceIndex < kWholeSample) drops.Note(kMpcSliceWhole);
  if (layer.reverse) plan.notes.push_back(NoteKind::Reversed);
  return plan;
}

}  // namespace tolvane
