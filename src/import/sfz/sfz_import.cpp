#include "import/sfz/sfz_import.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/all_cores.h"
#include "base/encoding.h"
#include "import/sfz/sfz_files.h"
#include "import/sfz/sfz_parser.h"
#include "import/sfz/sfz_regions.h"
#include "import/sfz/sfz_zone.h"
#include "import/wave/wave_import.h"
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
void DecodeAll(std::vector<SfzSample>& samples, const SfzFiles& files) {
  ForEachOnAllCores(samples.size(), [&](std::size_t i) {
    SfzSample& sample = samples[i];
    sample.reading = files.ReadSample(sample.path);
    if (sample.reading.sound) sample.data = SampleData(std::move(sample.reading.sound->values));
    return true;
  });
}

// Regions left out for one kind of reason, named by the first sample path met.
struct LeftOut {
  std::size_t count = 0;
  std::string firstReason;
};

std::string FileStem(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

bool EndsWithSfz(std::string_view path) {
  constexpr std::string_view kExtension = ".sfz";
  if (path.size() < kExtension.size()) return false;
  const std::string_view tail = path.substr(path.size() - kExtension.size());
  return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

// Adds the zone of one region playing `sample`; false, with `why` set, when it cannot.
bool AddRegionZone(Instrument& instrument, const SfzZonePlan& plan, const SfzSample& sample,
                   std::string& why) {
  if (!sample.reading.sound) {
    const ImportOutcome& refusal = sample.reading.refusal;
    why = "sample '" + plan.samplePath + "' ";
    if (refusal.status == ImportStatus::CannotOpen)
      why += refusal.reason;
    else if (refusal.reason.empty())
      why += "is not a sound file that can be read";
    else
      why += "cannot be read: " + refusal.reason;
    return false;
  }
  const DecodedSound& sound = *sample.reading.sound;
  if (sound.channels > 2) {
    why = "sample '" + plan.samplePath + "' has more than two channels";
    return false;
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
  Sample* added = AddSample(instrument, request, sample.data);
  if (added == nullptr) {
    why = "sample '" + plan.samplePath + "' cannot be kept";
    return false;
  }
  Zone zone = plan.zone;
  SetZoneSample(zone, added);
  if (sound.channels == 2) zone.mapping.flags |= ZoneStereo;
  ApplyGenerator(zone, kGenSampleModes, looped ? 1 : 0);
  AddZone(instrument, zone);
  return true;
}

}  // namespace

ImportOutcome ImportSfzText(Library& library, Source& source, std::string_view text,
                            std::int64_t modifiedTime, const SfzFiles& files) {
  const SfzText parsed =
      ParseSfz(text, [&](const std::string& path) { return files.ReadText(path); });
  const SfzInstrument collected = CollectRegions(parsed.sections);
  const std::vector<SfzRegion> regions = ChooseRegions(collected);

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

  std::map<std::string, LeftOut> leftOut;  // by the kind of reason, in the order of kinds
  std::size_t gainClipped = 0;
  for (const auto& [plan, sampleIndex] : plans) {
    std::string why;
    if (!AddRegionZone(*instrument, plan, samples[sampleIndex], why)) {
      const std::size_t quote = why.rfind('\'');
      LeftOut& kind = leftOut[why.substr(quote == std::string::npos ? 0 : quote)];
      if (kind.count++ == 0) kind.firstReason = why;
      continue;
    }
    if (plan.gainClipped) ++gainClipped;
  }

  ImportDrops drops;
  for (const auto& [kind, left] : leftOut) drops.Drop("region", left.firstReason, left.count);
  std::string damage = parsed.damage;
  if (gainClipped > 0) {
    if (!damage.empty()) damage += "; ";
    damage += std::to_string(gainClipped) + (gainClipped == 1 ? " region" : " regions") +
              " played at 0 dB: a gain above 0 dB cannot be kept";
  }
  if (instrument->zones.empty()) {
    if (!damage.empty()) damage += "; ";
    damage += regions.empty() ? "no region" : "no region left";
    return drops.Finish(damage);
  }
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish(damage);
}

ImportOutcome ImportSfz(Library& library, Source& source, const ImportView& view) {
  if (!EndsWithSfz(source.path)) return ImportOutcome::NotRecognised();
  const std::filesystem::path path{Windows1252ToUtf8(source.path)};
  const SfzDiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                      : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportSfzText(library, source, text, view.modifiedTime, files);
}

}  // namespace tolvane
