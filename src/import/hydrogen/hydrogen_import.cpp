#include "import/hydrogen/hydrogen_import.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/all_cores.h"
#include "base/encoding.h"
#include "base/paths.h"
#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/gain_folding.h"
#include "import/hydrogen/hydrogen_kit.h"
#include "import/hydrogen/hydrogen_outcome.h"
#include "import/hydrogen/hydrogen_velocity.h"
#include "import/instrument_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr int kFirstKey = 36;  // Hydrogen's first instrument: the General MIDI bass drum
constexpr int kLastKey = 127;
constexpr double kLeastAttenuation = 0;
constexpr double kMostAttenuation = 144;  // dB: the zone's silence

// One sample file, decoded once for every layer that plays it.
struct KitSample {
  std::string path;
  SoundReading reading;
  SampleData data;  // the decoded values, shared by every sample made from them
};

// The zones of one layer, one per run of velocities it plays, all but their samples.
struct LayerPlan {
  std::size_t sample = 0;  // index into the kit's samples
  std::vector<Zone> zones;
  double gainDb = 0;  // asked of the sample; above 0 dB taken into its values (FoldGains)
};

// A path that stays in the kit's folder: relative, never through "..".
bool StaysInFolder(const std::string& path) {
  if (path.starts_with('/')) return false;
  if (path.size() >= 2 && path[1] == ':') return false;  // a Windows drive
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

// The name of the folder holding the file at `path` (Windows-1252, either separator).
std::string FolderName(std::string_view path) {
  const std::size_t end = path.find_last_of("/\\");
  if (end == std::string_view::npos) return {};
  const std::string_view folder = path.substr(0, end);
  const std::size_t start = folder.find_last_of("/\\");
  return std::string(start == std::string_view::npos ? folder : folder.substr(start + 1));
}

// The zone fields one layer of instrument `key` sets, for the velocities of `span`.
Zone LayerZone(int key, const VelocitySpan& span, double cents, double gain, double pan) {
  Zone zone;
  InitZone(zone);
  ZoneMapping& mapping = zone.mapping;
  mapping.keyLow = mapping.keyHigh = mapping.overridingRootKey = static_cast<std::uint8_t>(key);
  mapping.velLow = span.low;
  mapping.velHigh = span.high;
  const auto total = static_cast<int>(std::lround(std::clamp(cents, -12700.0, 12700.0)));
  mapping.coarseTune = mapping.coarseTune2 = static_cast<std::int8_t>(total / 100);
  mapping.fineTune = mapping.fineTune2 = static_cast<std::int8_t>(total % 100);
  // Not above 0 dB (the importer folds more into the sample); nothing or less is silence.
  const double decibels = gain > 0 ? -20 * std::log10(gain) : kMostAttenuation;
  zone.parameters.bytes[ZoneParameters::attenuation] = static_cast<std::uint8_t>(
      std::lround(std::clamp(decibels, kLeastAttenuation, kMostAttenuation)));
  zone.parameters.SetSigned(ZoneParameters::pan,
                            static_cast<int>(std::lround(std::clamp(pan, -1.0, 1.0) * 100)));
  return zone;
}

// Plans every layer the kit plays; what is left out goes into `drops`.
class KitPlanner {
 public:
  explicit KitPlanner(ImportDrops& drops) : drops_(drops) {}

  void Plan(const HydrogenKit& kit) {
    for (std::size_t n = 0; n < kit.instruments.size(); ++n) {
      const HydrogenInstrument& instrument = kit.instruments[n];
      if (instrument.muted) {
        drops_.Note(kMutedInstrument, 1, instrument.name);
        continue;
      }
      // A list longer than the keyboard; its count is known, so this cannot overflow.
      if (n > static_cast<std::size_t>(kLastKey - kFirstKey)) {
        drops_.Note(kKeyPastRange, 1, instrument.name);
        continue;
      }
      for (const HydrogenComponent& component : instrument.components)
        PlanComponent(kFirstKey + static_cast<int>(n), instrument, component);
    }
  }

  std::vector<KitSample>& samples() { return samples_; }
  const std::vector<LayerPlan>& layers() const { return layers_; }

 private:
  void PlanComponent(int key, const HydrogenInstrument& instrument,
                     const HydrogenComponent& component) {
    const std::vector<VelocitySpan> spans = ShareVelocities(component.layers);
    for (std::size_t i = 0; i < component.layers.size(); ++i) {
      const HydrogenLayer& layer = component.layers[i];
      LayerPlan plan;
      const double gain = instrument.volume * instrument.gain * component.gain * layer.gain;
      plan.gainDb = gain > 0 ? 20 * std::log10(gain) : -kMostAttenuation;
      const double cents = 100 * (instrument.pitchOffset + layer.pitch);
      for (const VelocitySpan& span : spans) {
        if (span.layer == i)
          plan.zones.push_back(LayerZone(key, span, cents, gain, instrument.pan));
      }
      if (plan.zones.empty()) {
        // Round robins alternate between layers of one range; only the first is kept.
        if (instrument.velocityOnly)
          drops_.Note(kUnreachedLayer);
        else
          drops_.Note(NoteKind::LaterRoundRobin);
        continue;
      }
      std::string path = layer.file;
      std::replace(path.begin(), path.end(), '\\', '/');
      if (!StaysInFolder(path)) {
        drops_.Drop(PartKind::Layer, LeftOutKind::SampleOutside, 1, path);
        continue;
      }
      const auto [known, added] = byPath_.try_emplace(path, samples_.size());
      if (added) samples_.push_back(KitSample{path, {}, {}});
      plan.sample = known->second;
      layers_.push_back(std::move(plan));
    }
  }

  ImportDrops& drops_;
  std::vector<KitSample> samples_;
  std::map<std::string, std::size_t> byPath_;
  std::vector<LayerPlan> layers_;
};

void DecodeAll(std::vector<KitSample>& samples, const InstrumentFiles& files) {
  ForEachOnAllCores(samples.size(), [&](std::size_t i) {
    KitSample& sample = samples[i];
    sample.reading = files.ReadSample(sample.path);
    if (sample.reading.sound) sample.data = SampleData(std::move(sample.reading.sound->values));
    return true;
  });
}

// Adds the zones of one layer; false, with `why` set, when its sample cannot be played.
// Adds the layer's sample to the instrument's group and gives its zones, with the gain each asks,
// to `zones` and `gains`; false, with `why` set, when it cannot.
bool AddLayer(Instrument& instrument, const LayerPlan& plan, const KitSample& sample,
              std::vector<Zone>& zones, std::vector<GainRequest>& gains, LeftOutKind& why) {
  if (!sample.reading.sound) {
    why = UnreadSampleKind(sample.reading);
    return false;
  }
  const DecodedSound& sound = *sample.reading.sound;
  if (sound.channels > 2) {
    why = LeftOutKind::SampleManyChannels;
    return false;
  }
  const std::string name = Utf8ToWindows1252(FileStem(sample.path));
  SampleRequest request;
  request.name = name;
  request.key.first = plan.sample + 1;
  request.sampleRate = sound.sampleRate;
  request.channels = sound.channels;
  request.frames = sound.frames;
  request.loopEnd = sound.frames;  // drum hits play once
  request.rootKey = plan.zones.front().mapping.overridingRootKey;
  Sample* added = AddSample(instrument, request, sample.data);
  if (added == nullptr) {
    why = LeftOutKind::SampleNotKept;
    return false;
  }
  for (Zone zone : plan.zones) {
    SetZoneSample(zone, added);
    if (sound.channels == 2) zone.mapping.flags |= ZoneStereo;
    ApplyGenerator(zone, kGenSampleModes, 0);
    gains.push_back({added, plan.gainDb});
    zones.push_back(zone);
  }
  return true;
}

}  // namespace

ImportOutcome ImportHydrogenText(Library& library, Source& source, std::string_view text,
                                 std::int64_t modifiedTime, const InstrumentFiles& files) {
  const HydrogenKitReading reading = ReadHydrogenKit(text);
  if (!reading.kit) return ImportOutcome::Damaged(reading.damage);
  const HydrogenKit& kit = *reading.kit;

  ImportDrops drops(PartKind::Layer);
  KitPlanner planner(drops);
  planner.Plan(kit);
  DecodeAll(planner.samples(), files);

  std::string name = Utf8ToWindows1252(kit.name);
  if (name.empty()) name = FolderName(source.path);
  if (name.empty()) name = source.baseName;
  std::unique_ptr<Instrument> instrument = CreateNamedInstrument(source, name, modifiedTime);
  std::vector<Zone> zones;
  std::vector<GainRequest> gains;
  for (const LayerPlan& plan : planner.layers()) {
    const KitSample& sample = planner.samples()[plan.sample];
    LeftOutKind why = LeftOutKind::SampleNotFound;
    if (!AddLayer(*instrument, plan, sample, zones, gains, why)) {
      std::string detail;
      if (why == LeftOutKind::SampleUnreadable) detail = sample.reading.refusal.reason;
      drops.Drop(PartKind::Layer, why, 1, sample.path, std::move(detail));
    }
  }
  // Gains above 0 dB go into the samples' values; the zones keep the rest as attenuation.
  AddFoldedZones(*instrument, zones, gains, drops);

  if (instrument->zones.empty()) return drops.Finish("no layer left to play");
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish();
}

ImportOutcome ImportHydrogen(Library& library, Source& source, const ImportView& view) {
  if (!LooksLikeHydrogenKit(view.bytes)) return ImportOutcome::NotRecognised();
  const std::filesystem::path path = PathFromUtf8(Windows1252ToUtf8(source.path));
  const DiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                   : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportHydrogenText(library, source, text, view.modifiedTime, files);
}

}  // namespace tolvane
