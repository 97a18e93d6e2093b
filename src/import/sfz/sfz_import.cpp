#include "import/sfz/sfz_import.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/all_cores.h"
#include "base/encoding.h"
#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/gain_folding.h"
#include "import/instrument_files.h"
#include "import/sfz/sfz_parser.h"
#include "import/sfz/sfz_regions.h"
#include "import/sfz/sfz_zone.h"
#include "import/zone_on_sample.h"
#include "library/library.h"

namespace tolvane {
namespace {

// One sample file, decoded once for every region that plays it. Its index among the files of
// the instrument is the key of the samples made from it.
struct SfzSample {
  std::string path;
  std::size_t index = 0;
  SoundReading reading;
  SampleData data;  // the decoded values, shared by every sample made from them
};

// Decodes every sample on every core.
void DecodeAll(std::vector<SfzSample>& samples, const InstrumentFiles& files) {
  ForEachOnAllCores(samples.size(), [&](std::size_t i) {
    SfzSample& sample = samples[i];
    sample.reading = files.ReadSample(sample.path);
    if (sample.reading.sound) sample.data = SampleData(std::move(sample.reading.sound->values));
    return true;
  });
}

// The zone of one region playing `sample`, its sample added to the instrument; nothing, with
// `why` set, when it cannot be made.
std::optional<Zone> RegionZone(Instrument& instrument, const SfzZonePlan& plan,
                               const SfzSample& sample, LeftOutKind& why) {
  if (!sample.reading.sound) {
    why = UnreadSampleKind(sample.reading);
    return std::nullopt;
  }
  const DecodedSound& sound = *sample.reading.sound;
  if (sound.channels > 2) {
    why = LeftOutKind::SampleManyChannels;
    return std::nullopt;
  }
  const bool fileLoops = sound.markers.loop.has_value();
  const bool looped = plan.looped.value_or(fileLoops);
  const SoundLoop loop =
      plan.loop.value_or(sound.markers.loop.value_or(SoundLoop{0, sound.frames}));

  // A sample's loop is the sample's own: a region that loops it elsewhere plays a sample of
  // its own, named after the loop.
  std::string name = FileStem(plan.samplePath);
  const bool ownLoop = plan.loop && (!fileLoops || plan.loop->start != sound.markers.loop->start ||
                                     plan.loop->end != sound.markers.loop->end);
  if (ownLoop) name += " " + std::to_string(loop.start) + "-" + std::to_string(loop.end);

  SampleRequest request;
  request.name = name;
  request.key.first = sample.index;
  request.sampleRate = sound.sampleRate;
  request.channels = sound.channels;
  request.frames = sound.frames;
  request.loopStart = loop.start;
  request.loopEnd = loop.end;
  request.rootKey = sound.markers.rootKey.value_or(kDefaultRootKey);
  request.pitchCorrection = sound.markers.pitchCorrection;
  return ZoneOnSample(instrument, request, sample.data, plan.zone, looped, why);
}

}  // namespace

ImportOutcome ImportSfzText(Library& library, Source& source, std::string_view text,
                            std::int64_t modifiedTime, const InstrumentFiles& files) {
  const SfzText parsed =
      ParseSfz(text, [&](const std::string& path) { return files.ReadText(path); });
  const SfzInstrument collected = CollectRegions(parsed.sections);
  ImportDrops drops;
  const SfzChoice choice = ChooseRegions(collected, drops);
  const std::vector<SfzRegion>& regions = choice.kept;

  // Each region's zone plan with the index of the sample file it plays.
  std::vector<std::pair<SfzZonePlan, std::size_t>> plans;
  std::vector<SfzSample> samples;
  std::map<std::string, std::size_t> byPath;
  for (const SfzRegion& region : regions) {
    std::optional<SfzZonePlan> plan = PlanSfzZone(region);
    if (!plan) continue;
    const auto [known, added] = byPath.try_emplace(plan->samplePath, samples.size());
    if (added) samples.push_back(SfzSample{plan->samplePath, samples.size(), {}, {}});
    plans.emplace_back(std::move(*plan), known->second);
  }
  DecodeAll(samples, files);

  std::unique_ptr<Instrument> instrument = CreateFileInstrument(source, modifiedTime);

  if (parsed.damage) {
    drops.Drop(*parsed.damage);
  }
  std::vector<Zone> zones;
  std::vector<GainRequest> gains;
  for (const auto& [plan, sampleIndex] : plans) {
    LeftOutKind why = LeftOutKind::SampleNotFound;
    std::optional<Zone> zone = RegionZone(*instrument, plan, samples[sampleIndex], why);
    if (!zone) {
      // The sample file's own reason, for one that was read but refused.
      std::string detail;
      if (why == LeftOutKind::SampleUnreadable)
        detail = samples[sampleIndex].reading.refusal.reason;
      drops.Drop(PartKind::Region, why, 1, plan.samplePath, std::move(detail));
      continue;
    }
    gains.push_back({zone->sample, plan.gainDb});
    zones.push_back(*zone);
  }
  AddFoldedZones(*instrument, zones, gains, drops);

  if (instrument->zones.empty())
    return drops.Finish(!regions.empty()          ? "no region left"
                        : !choice.whyNone.empty() ? choice.whyNone
                                                  : "no region");
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish();
}

ImportOutcome ImportSfz(Library& library, Source& source, const ImportView& view) {
  if (!EndsWithIgnoringCase(source.path, ".sfz")) return ImportOutcome::NotRecognised();
  const std::filesystem::path path{Windows1252ToUtf8(source.path)};
  const DiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                   : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportSfzText(library, source, text, view.modifiedTime, files);
}

}  // namespace tolvane
