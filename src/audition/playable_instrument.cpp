#include "audition/playable_instrument.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>

namespace tolvane {
namespace {

using P = ZoneParameters;

// A zone's stored differences counted from the zone defaults, each taken as far as its field
// reaches rather than wrapped: a difference from an instrument block far from the defaults
// would otherwise turn round (an attenuation a little below the block's into 25 dB, an attack
// a little shorter into minutes).
ZoneParameters FromDefaults(const ZoneParameters& differences) {
  const ZoneParameters defaults;
  ZoneParameters sum;
  for (std::size_t i = 0; i < sum.words.size(); ++i)
    sum.words[i] = static_cast<std::int16_t>(std::clamp(defaults.words[i] + differences.words[i],
                                                        INT16_MIN, INT16_MAX));
  for (std::size_t i = 0; i < sum.bytes.size(); ++i) {
    const int value = static_cast<std::int8_t>(defaults.bytes[i]) +
                      static_cast<std::int8_t>(differences.bytes[i]);
    sum.bytes[i] = static_cast<std::uint8_t>(i == P::attenuation ? std::clamp(value, 0, 255)
                                                                 : std::clamp(value, -128, 127));
  }
  return sum;
}

// The zone's parameters as it sounds: relative to the instrument's while averaged, and counted
// from the zone defaults where the instrument's block is not known (a SiFi file keeps only the
// differences from it), so that an instrument whose block lay near the defaults sounds as its
// source did.
ZoneParameters AbsoluteParameters(const Instrument& instrument, const Zone& zone) {
  if (instrument.differencesOnly && !instrument.averaged) return FromDefaults(zone.parameters);
  if (!instrument.averaged) return zone.parameters;
  Zone absolute = zone;
  AddParameters(absolute, instrument.parameters);
  return absolute.parameters;
}

std::uint32_t StartFrame(std::int32_t startOffset) {
  // Two bytes per sample point; a negative offset cannot start before the sample.
  return startOffset > 0 ? static_cast<std::uint32_t>(startOffset / 2) : 0;
}

std::int32_t ClampPan(std::int32_t pan) {
  return std::clamp(pan, -100, 100);
}

PlayableZone ResolveZone(const Instrument& instrument, const Zone& zone, std::size_t sample) {
  const ZoneMapping& m = zone.mapping;
  const ZoneParameters p = AbsoluteParameters(instrument, zone);
  PlayableZone z;
  z.keyLow = m.keyLow;
  z.keyHigh = m.keyHigh;
  z.velLow = m.velLow;
  z.velHigh = m.velHigh;
  z.sample = sample;
  // A root key of 0 is what an importer that set none leaves.
  z.rootKey = static_cast<std::uint8_t>(
      m.overridingRootKey != 0 ? m.overridingRootKey : ClampRootKey(zone.sample->rootKey));
  z.centsPerKey = m.scaleTuning != 0 ? m.scaleTuning : 100;
  z.loop = (m.flags & ZoneLoop) != 0;
  const std::int32_t pan = ClampPan(p.Signed(P::pan));
  z.layers[0] = {StartFrame(m.startOffset), m.coarseTune * 100 + m.fineTune, pan};
  if ((m.flags & ZoneDual) != 0 && zone.sample->channels == 1) {
    z.layers[1] = {StartFrame(m.startOffset2), m.coarseTune2 * 100 + m.fineTune2, -pan};
    z.layerCount = 2;
  }
  z.attenuationDb = p.bytes[P::attenuation];
  z.filterCutoff = p.words[P::initialFilterFc];
  z.filterQ = p.words[P::initialFilterQ];
  z.envelope.attack = p.Signed(P::attackVolEnv) * 100;
  z.envelope.hold = p.Signed(P::holdVolEnv) * 100;
  z.envelope.decay = p.Signed(P::decayVolEnv) * 100;
  z.envelope.release = p.Signed(P::releaseVolEnv) * 100;
  z.envelope.sustain = p.words[P::sustainVolEnv];
  z.envelope.keynumToHold = p.words[P::keynumToVolEnvHold];
  z.envelope.keynumToDecay = p.words[P::keynumToVolEnvDecay];
  return z;
}

PlayableSample CopySample(const Sample& sample) {
  PlayableSample s;
  s.channels = sample.channels;
  s.frames = sample.frames;
  s.sampleRate = sample.sampleRate;
  const LoopPoints loop = ClampLoop(sample.frames, sample.loopStart, sample.loopEnd);
  s.loopStart = loop.start;
  s.loopEnd = loop.end;
  s.pitchCorrection = sample.pitchCorrection;
  const std::size_t values = std::size_t{sample.frames} * sample.channels;
  s.data.assign(values, 0);
  sample.data.CopyInterleaved(0, std::span(s.data).first(std::min(values, sample.data.size())));
  return s;
}

}  // namespace

std::shared_ptr<const PlayableInstrument> MakePlayable(const Instrument& instrument) {
  auto playable = std::make_shared<PlayableInstrument>();
  std::map<const Sample*, std::size_t> copied;  // each shared sample once
  for (const Zone& zone : instrument.zones) {
    const Sample* sample = zone.sample;
    if (sample == nullptr || sample->frames == 0 || sample->sampleRate == 0 ||
        (sample->channels != 1 && sample->channels != 2))
      continue;
    auto [at, added] = copied.try_emplace(sample, playable->samples.size());
    if (added) playable->samples.push_back(CopySample(*sample));
    playable->zones.push_back(ResolveZone(instrument, zone, at->second));
  }
  return playable;
}

}  // namespace tolvane
