#include "import/decent/decent_instrument.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/gain_folding.h"
#include "import/zone_on_sample.h"
#include "library/library.h"

namespace tolvane {
namespace {

// Presets write float noise ("1.0000000149"): gains this close to 0 dB are 0 dB.
constexpr double kGainToleranceDb = 0.01;

// FNV-1a: the key that tells apart samples of one name from different files of a container.
std::uint64_t PathKey(std::string_view path) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211u;
  }
  return hash;
}

// The zone `plan` makes of `sample`, its sample added to the instrument's group; nothing, with
// `why` set, when it cannot. `salt` keeps a sample whose values will be scaled to this preset.
std::optional<Zone> PlannedZone(Instrument& instrument, const DecentZonePlan& plan,
                                const DecentSample& sample, std::uint64_t salt, LeftOutKind& why) {
  if (!sample.reading.sound) {
    why = UnreadSampleKind(sample.reading);
    return std::nullopt;
  }
  const DecodedSound& sound = *sample.reading.sound;
  if (sound.channels > 2) {
    why = LeftOutKind::SampleManyChannels;
    return std::nullopt;
  }
  // `end` shortens the sample: the same values, fewer frames.
  const std::uint32_t frames = plan.end && *plan.end < sound.frames ? *plan.end + 1 : sound.frames;
  const std::optional<SoundLoop>& fileLoop = sound.markers.loop;
  const bool looped = plan.looped.value_or(fileLoop.has_value());
  SoundLoop loop = fileLoop.value_or(SoundLoop{0, frames});
  if (plan.loopStart) loop.start = *plan.loopStart;
  if (plan.loopEnd) loop.end = *plan.loopEnd;
  const LoopPoints kept = ClampLoop(frames, loop.start, loop.end);

  // Played elsewhere than the file's own loop, the sample is one of its own, named after it.
  std::string name = FileStem(plan.path);
  const bool ownLoop = (plan.loopStart || plan.loopEnd) &&
                       (!fileLoop || fileLoop->start != kept.start || fileLoop->end != kept.end);
  if (ownLoop) name += " " + std::to_string(kept.start) + "-" + std::to_string(kept.end);

  SampleRequest request;
  request.name = name;
  request.key.first = PathKey(sample.path) ^ salt;
  request.key.second = (std::uint64_t{kept.start} << 32) | kept.end;
  request.sampleRate = sound.sampleRate;
  request.channels = sound.channels;
  request.frames = frames;
  request.loopStart = kept.start;
  request.loopEnd = kept.end;
  request.rootKey = plan.rootKey.value_or(sound.markers.rootKey.value_or(kDefaultRootKey));
  // The file's fine tuning belongs to its own root key.
  if (!plan.rootKey || sound.markers.rootKey == plan.rootKey)
    request.pitchCorrection = sound.markers.pitchCorrection;
  return ZoneOnSample(instrument, request, sample.data, plan.zone, looped, why);
}

}  // namespace

ImportOutcome BuildDecentInstrument(Library& library, Source& source, const DecentPresetPlan& plan,
                                    const DecentPresetPlace& place, const DecentSamples& samples) {
  if (!plan.refused.empty()) return ImportOutcome::Damaged(plan.refused);
  ImportDrops drops = plan.drops;

  // A sample some zone asks more than 0 dB of takes that gain into its values; other presets
  // of the source must not play those values, so such a sample is this preset's own.
  std::vector<bool> louder(samples.size(), false);
  for (const auto& [zonePlan, sampleIndex] : plan.zones)
    if (zonePlan.gainDb > kGainToleranceDb) louder[sampleIndex] = true;
  const std::uint64_t salt = PathKey(std::string(place.folder) + std::string(place.name)) | 1;

  std::unique_ptr<Instrument> instrument =
      CreateNamedInstrument(source, place.name, place.modifiedTime);
  std::vector<Zone> zones;
  std::vector<GainRequest> gains;
  for (const auto& [zonePlan, sampleIndex] : plan.zones) {
    LeftOutKind why = LeftOutKind::SampleNotFound;
    std::optional<Zone> zone = PlannedZone(*instrument, zonePlan, samples[sampleIndex],
                                           louder[sampleIndex] ? salt : 0, why);
    if (!zone) {
      std::string detail;
      if (why == LeftOutKind::SampleUnreadable)
        detail = samples[sampleIndex].reading.refusal.reason;
      drops.Drop(PartKind::Zone, why, 1, zonePlan.path, std::move(detail));
      continue;
    }
    // Float noise just above 0 dB must not scale a sample other presets share.
    const double gainDb =
        zonePlan.gainDb > kGainToleranceDb ? zonePlan.gainDb : std::min(zonePlan.gainDb, 0.0);
    gains.push_back({zone->sample, gainDb});
    zones.push_back(*zone);
  }
  AddFoldedZones(*instrument, zones, gains, drops);

  if (instrument->zones.empty())
    return drops.Finish(plan.zones.empty() ? "no sample" : "no sample left");
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish();
}

}  // namespace tolvane
