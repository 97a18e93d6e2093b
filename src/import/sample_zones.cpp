#include "import/sample_zones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "import/file_instrument.h"
#include "import/gain_folding.h"

namespace tolvane {
namespace {

// What one plan makes of its decoded file.
struct SampleCut {
  std::uint32_t frames = 0;
  std::uint32_t start = 0;
  LoopPoints loop;
  bool looped = false;
  bool ownLoop = false;
  LoopPoints namedLoop;  // the points an own sample is named after
};

SampleCut CutSample(const SampleZonePlan& plan, const DecodedSound& sound,
                    const SampleRules& rules) {
  SampleCut cut;
  const std::uint32_t start = std::min(plan.start.value_or(0), sound.frames);
  cut.frames = plan.frames ? std::min(*plan.frames, sound.frames) : sound.frames;
  if (cut.frames <= start) cut.frames = sound.frames;
  cut.start = std::min(start, cut.frames == 0 ? 0 : cut.frames - 1);

  const std::optional<SoundLoop>& fileLoop = sound.markers.loop;
  SoundLoop loop = fileLoop.value_or(SoundLoop{0, cut.frames});
  if (plan.loopStart) loop.start = *plan.loopStart;
  if (plan.loopEnd) loop.end = *plan.loopEnd;
  cut.loop = ClampLoop(cut.frames, loop.start, loop.end);
  cut.looped = plan.looped.value_or(fileLoop.has_value());

  const bool pointsGiven = plan.loopStart || plan.loopEnd;
  const auto differs = [&](std::uint32_t loopStart, std::uint32_t loopEnd) {
    return !fileLoop || fileLoop->start != loopStart || fileLoop->end != loopEnd;
  };
  switch (rules.ownLoop) {
    case OwnLoop::WrittenPoints:
      cut.ownLoop = pointsGiven && differs(loop.start, loop.end);
      cut.namedLoop = {loop.start, loop.end};
      break;
    case OwnLoop::KeptPoints:
      cut.ownLoop = pointsGiven && differs(cut.loop.start, cut.loop.end);
      cut.namedLoop = cut.loop;
      break;
    case OwnLoop::PlayedLoop:
      if (cut.loop.start >= cut.loop.end) cut.looped = false;
      cut.ownLoop = cut.looped && differs(cut.loop.start, cut.loop.end);
      cut.namedLoop = cut.loop;
      break;
  }
  return cut;
}

// The sample's name: its file's, and for a sample of the zone's own the loop it plays.
std::string SampleName(const SampleZonePlan& plan, const SampleCut& cut) {
  if (!cut.ownLoop) return plan.name;
  return plan.name + " " + std::to_string(cut.namedLoop.start) + "-" +
         std::to_string(cut.namedLoop.end);
}

// The largest gain some part asks of each file of the pool, when above 0 dB (beyond the
// tolerance), in hundredths of a dB; 0 for the others.
std::vector<std::uint32_t> LoudestGains(std::span<const SampleZonePlan> plans, std::size_t files,
                                        double toleranceDb) {
  std::vector<std::uint32_t> loudest(files, 0);
  for (const SampleZonePlan& plan : plans) {
    if (plan.gainDb <= toleranceDb) continue;
    const auto centiDb = static_cast<std::uint32_t>(std::lround(std::min(plan.gainDb, 1e6) * 100));
    for (const std::size_t file : {plan.file, plan.right.value_or(plan.file)})
      loudest[file] = std::max(loudest[file], std::max(centiDb, 1u));
  }
  return loudest;
}

}  // namespace

std::size_t AddSampleZones(Instrument& instrument, std::span<const SampleZonePlan> plans,
                           const SamplePool& pool, const SampleRules& rules, ImportDrops& drops) {
  // A sample that takes a gain into its values is shared only with the instruments that ask
  // the same largest gain of its file: its key carries that gain, so that no other instrument
  // of the source plays those values.
  const std::vector<std::uint32_t> loudest =
      LoudestGains(plans, pool.size(), rules.gainToleranceDb);
  std::vector<Zone> zones;
  std::vector<GainRequest> gains;
  std::size_t kept = 0;
  for (const SampleZonePlan& plan : plans) {
    const PooledSample& left = pool[plan.file];
    std::optional<UnplayableSample> unplayable = WhyUnplayable(left);
    if (!unplayable && plan.right) unplayable = WhyUnplayable(pool[*plan.right]);
    if (unplayable) {
      drops.Drop(rules.part, unplayable->kind, 1, plan.subject, std::move(unplayable->detail));
      continue;
    }
    const DecodedSound& sound = *left.reading.sound;
    const SoundMarkers& markers = sound.markers;
    const SampleCut cut = CutSample(plan, sound, rules);

    const std::string name = SampleName(plan, cut);
    const std::uint32_t louder =
        std::max(loudest[plan.file], loudest[plan.right.value_or(plan.file)]);
    SampleRequest request;
    request.name = name;
    request.key.first = (std::uint64_t{louder} << 32) | plan.file;
    request.key.second = plan.right ? *plan.right + 1 : 0;
    request.sampleRate = sound.sampleRate;
    request.channels = plan.right ? 2 : sound.channels;
    request.frames = cut.frames;  // a cut shares the file's values, its end left unplayed
    request.loopStart = cut.loop.start;
    request.loopEnd = cut.loop.end;
    request.rootKey = plan.rootKey.value_or(markers.rootKey.value_or(kDefaultRootKey));
    request.rootKeyGiven = plan.rootKey || markers.rootKey;
    // The file's fine tuning belongs to its own root key.
    if (rules.fileTuning && (!plan.rootKey || markers.rootKey == plan.rootKey))
      request.pitchCorrection = markers.pitchCorrection;
    Sample* const sample =
        AddSample(instrument, request,
                  plan.right ? SampleData::Planes(left.data, pool[*plan.right].data) : left.data);
    if (sample == nullptr) {
      drops.Drop(rules.part, LeftOutKind::SampleNotKept, 1, plan.subject);
      continue;
    }

    // Float noise just above 0 dB must not scale a sample other instruments share.
    const double gainDb =
        plan.gainDb > rules.gainToleranceDb ? plan.gainDb : std::min(plan.gainDb, 0.0);
    for (Zone zone : plan.zones) {
      SetZoneSample(zone, sample);
      if (request.channels == 2) zone.mapping.flags |= ZoneStereo;
      if (plan.start) {
        zone.mapping.startOffset = zone.mapping.startOffset2 = static_cast<std::int32_t>(
            std::min<std::uint64_t>(2 * std::uint64_t{cut.start}, INT32_MAX));
      }
      ApplyGenerator(zone, kGenSampleModes, cut.looped ? 1 : 0);
      gains.push_back({sample, gainDb});
      zones.push_back(zone);
    }
    for (const NoteKind note : plan.notes) drops.Note(note);
    ++kept;
  }
  AddFoldedZones(instrument, zones, gains, drops);
  return kept;
}

ImportOutcome FinishInstrument(Library& library, std::unique_ptr<Instrument> instrument,
                               const ImportDrops& drops, std::string whyEmpty) {
  if (instrument->zones.empty()) return drops.Finish(std::move(whyEmpty));
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish();
}

}  // namespace tolvane
