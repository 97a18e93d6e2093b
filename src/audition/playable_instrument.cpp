#include "audition/playable_instrument.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <utility>

namespace tolvane {
namespace {

using P = ZoneParameters;

std::uint32_t StartFrame(std::int32_t startOffset) {
  // Two bytes per sample point; a negative offset cannot start before the sample.
  return startOffset > 0 ? static_cast<std::uint32_t>(startOffset / 2) : 0;
}

std::int32_t ClampPan(std::int32_t pan) {
  return std::clamp(pan, -100, 100);
}

// The sample's root key and tuning, as `written` writes them when it changes them.
SampleTuning TuningOf(const Sample& sample, const ExportGroup* written) {
  if (written != nullptr) {
    const auto found = written->tunings.find(&sample);
    if (found != written->tunings.end()) return found->second;
  }
  return {sample.rootKey, sample.pitchCorrection};
}

PlayableZone ResolveZone(const Instrument& instrument, const Zone& zone, std::size_t sample,
                         const ExportGroup* written) {
  const ZoneMapping& m = zone.mapping;
  const ZoneParameters p = PlayedParameters(instrument, zone);
  PlayableZone z;
  z.keyLow = m.keyLow;
  z.keyHigh = m.keyHigh;
  z.velLow = m.velLow;
  z.velHigh = m.velHigh;
  z.sample = sample;
  // A root key of 0 is what an importer that set none leaves.
  z.rootKey = static_cast<std::uint8_t>(
      m.overridingRootKey != 0 ? m.overridingRootKey
                               : ClampRootKey(TuningOf(*zone.sample, written).rootKey));
  z.centsPerKey = m.scaleTuning != 0 ? m.scaleTuning : 100;
  z.loop =
      (m.flags & ZoneLoop) != 0 || (written != nullptr && written->loopedZones.contains(&zone));
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

PlayableSample CopySample(const Sample& sample, const ExportGroup* written) {
  PlayableSample s;
  s.channels = sample.channels;
  s.frames = sample.frames;
  s.sampleRate = sample.sampleRate;
  LoopPoints loop{sample.loopStart, sample.loopEnd};
  const SampleData* data = &sample.data;
  if (written != nullptr) {
    if (const auto found = written->loops.find(&sample); found != written->loops.end())
      loop = found->second;
    data = &WrittenValues(*written, sample);
  }
  loop = ClampLoop(sample.frames, loop.start, loop.end);
  s.loopStart = loop.start;
  s.loopEnd = loop.end;
  s.pitchCorrection = TuningOf(sample, written).pitchCorrection;
  const std::size_t values = std::size_t{sample.frames} * sample.channels;
  s.data.assign(values, 0);
  data->CopyInterleaved(0, std::span(s.data).first(std::min(values, data->size())));
  return s;
}

}  // namespace

std::shared_ptr<const PlayableInstrument> MakePlayable(const Instrument& instrument,
                                                       const ExportGroup* written) {
  auto playable = std::make_shared<PlayableInstrument>();
  std::map<const Sample*, std::size_t> copied;  // each shared sample once
  for (const Zone& zone : instrument.zones) {
    const Sample* sample = zone.sample;
    if (sample == nullptr || sample->frames == 0 || sample->sampleRate == 0 ||
        (sample->channels != 1 && sample->channels != 2))
      continue;
    auto [at, added] = copied.try_emplace(sample, playable->samples.size());
    if (added) playable->samples.push_back(CopySample(*sample, written));
    playable->zones.push_back(ResolveZone(instrument, zone, at->second, written));
  }
  return playable;
}

std::shared_ptr<const PlayableInstrument> MakePlayableAsWritten(const Instrument& instrument,
                                                                const SoundOptions& options,
                                                                const WorkProgress* progress,
                                                                std::vector<SoundNote>* notes) {
  const std::unique_ptr<ExportSet> written = CreateExportSet();
  AddInstrumentToExportSet(*written, instrument);
  std::vector<SoundNote> found = AnalyseSounds(*written, options, progress);
  if (WorkCancelled(progress)) return nullptr;
  if (notes != nullptr) *notes = std::move(found);
  return MakePlayable(instrument, written->groups.empty() ? nullptr : &written->groups.front());
}

}  // namespace tolvane
