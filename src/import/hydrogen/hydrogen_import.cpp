#include "import/hydrogen/hydrogen_import.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/hydrogen/hydrogen_kit.h"
#include "import/hydrogen/hydrogen_outcome.h"
#include "import/hydrogen/hydrogen_velocity.h"
#include "import/instrument_files.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr int kFirstKey = 36;  // Hydrogen's first instrument: the General MIDI bass drum
constexpr int kLastKey = 127;
constexpr double kLeastAttenuation = 0;
constexpr double kMostAttenuation = 144;  // dB: the zone's silence

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

// Plans every layer the kit plays, one sample each for the zones of its velocities, adding the
// files to `pool`; what is left out goes into `drops`.
class KitPlanner {
 public:
  // The kit's samples are the pool's files `root` + their path in the kit.
  KitPlanner(SamplePool& pool, ImportDrops& drops, std::string root)
      : pool_(pool), drops_(drops), root_(std::move(root)) {}

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

  const std::vector<SampleZonePlan>& layers() const { return layers_; }

 private:
  void PlanComponent(int key, const HydrogenInstrument& instrument,
                     const HydrogenComponent& component) {
    const std::vector<VelocitySpan> spans = ShareVelocities(component.layers);
    for (std::size_t i = 0; i < component.layers.size(); ++i) {
      const HydrogenLayer& layer = component.layers[i];
      SampleZonePlan plan;
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
      // A drum hit plays once, the whole sample, at the instrument's key.
      plan.loopStart = 0;
      plan.loopEnd = kLoopToEnd;
      plan.looped = false;
      plan.rootKey = static_cast<std::uint32_t>(key);
      plan.name = Utf8ToWindows1252(FileStem(path));
      plan.file = pool_.Add(root_ + path);
      plan.subject = std::move(path);
      layers_.push_back(std::move(plan));
    }
  }

  SamplePool& pool_;
  ImportDrops& drops_;
  std::string root_;
  std::vector<SampleZonePlan> layers_;
};

// A kit's layers over a pool, built once its samples are decoded.
class PlannedKit : public PlannedFile {
 public:
  PlannedKit(std::string name, std::int64_t modifiedTime)
      : name_(std::move(name)), modifiedTime_(modifiedTime) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (!refused.empty()) return ImportOutcome::Damaged(refused);
    ImportDrops built = drops;
    std::unique_ptr<Instrument> instrument = CreateNamedInstrument(source, name_, modifiedTime_);
    const SampleRules rules{
        .part = PartKind::Layer, .ownLoop = OwnLoop::PlayedLoop, .fileTuning = false};
    AddSampleZones(*instrument, layers, pool, rules, built);
    return FinishInstrument(library, std::move(instrument), built, "no layer left to play");
  }

  std::string refused;  // why the text is no kit
  ImportDrops drops{PartKind::Layer};
  std::vector<SampleZonePlan> layers;

 private:
  std::string name_;  // Windows-1252
  std::int64_t modifiedTime_ = 0;
};

}  // namespace

std::unique_ptr<PlannedFile> PlanHydrogenKit(std::string_view text, const FilePlace& place,
                                             const InstrumentFiles& /*files*/, SamplePool& pool) {
  const HydrogenKitReading reading = ReadHydrogenKit(text);
  if (!reading.kit) {
    auto refused = std::make_unique<PlannedKit>(place.name, place.modifiedTime);
    refused->refused = reading.damage;
    return refused;
  }
  const HydrogenKit& kit = *reading.kit;
  // Named by the kit, else as its place says (the kit's folder).
  std::string name = Utf8ToWindows1252(kit.name);
  if (name.empty()) name = place.name;
  auto plan = std::make_unique<PlannedKit>(std::move(name), place.modifiedTime);
  KitPlanner planner(pool, plan->drops, place.root + place.folder);
  planner.Plan(kit);
  plan->layers = planner.layers();
  return plan;
}

ImportOutcome ImportHydrogenText(Library& library, Source& source, std::string_view text,
                                 std::int64_t modifiedTime, const InstrumentFiles& files,
                                 WorkProgress* progress) {
  FilePlace place;
  place.name = FolderName(source.path);
  if (place.name.empty()) place.name = source.baseName;
  place.modifiedTime = modifiedTime;
  return ImportPlannedFile(&PlanHydrogenKit, library, source, text, place, files, progress);
}

ImportOutcome ImportHydrogen(Library& library, Source& source, const ImportView& view) {
  if (!LooksLikeHydrogenKit(view.bytes)) return ImportOutcome::NotRecognised();
  const std::filesystem::path path = PathFromUtf8(Windows1252ToUtf8(source.path));
  const DiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                   : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportHydrogenText(library, source, text, view.modifiedTime, files, view.progress);
}

}  // namespace tolvane
