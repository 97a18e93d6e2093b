#include "import/decent/decent_import.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/work_progress.h"
#include "import/archive_path.h"
#include "import/decent/decent_records.h"
#include "import/decent/decent_zone.h"
#include "import/file_instrument.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "library/library.h"

namespace tolvane {
namespace {

// Presets write float noise ("1.0000000149"): gains this close to 0 dB are 0 dB.
constexpr double kGainToleranceDb = 0.01;

// One preset's zones over the container's pool, built once its samples are decoded.
class PlannedPreset : public PlannedFile {
 public:
  explicit PlannedPreset(const FilePlace& place) : place_(place) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (!refused.empty()) return ImportOutcome::Damaged(refused);
    ImportDrops built = drops;
    std::unique_ptr<Instrument> instrument =
        CreateNamedInstrument(source, place_.name, place_.modifiedTime);
    const SampleRules rules{.part = PartKind::Zone,
                            .ownLoop = OwnLoop::KeptPoints,
                            .gainToleranceDb = kGainToleranceDb};
    AddSampleZones(*instrument, zones, pool, rules, built);
    return FinishInstrument(library, std::move(instrument), built,
                            zones.empty() ? "no sample" : "no sample left");
  }

  // Set when the preset is damaged as a whole (its `<groups>` cannot be read): the reason.
  std::string refused;
  ImportDrops drops{PartKind::Zone};  // what planning already left out or noted
  std::vector<SampleZonePlan> zones;  // over the files of the container's pool

 private:
  FilePlace place_;
};

}  // namespace

std::unique_ptr<PlannedFile> PlanDecentPreset(std::string_view text, const FilePlace& place,
                                              const InstrumentFiles& /*files*/, SamplePool& pool) {
  auto plan = std::make_unique<PlannedPreset>(place);
  const std::optional<DecentPresetRecords> records = ReadDecentRecords(text);
  if (!records) {
    plan->refused = "no <groups> element that can be read";
    return plan;
  }
  for (const DecentSampleRecord& record : records->samples) {
    std::optional<DecentZonePlan> zone = PlanDecentZone(record);
    if (!zone) continue;
    if (zone->skip != DecentSkip::None) {
      plan->drops.Note(zone->skip == DecentSkip::ReleaseTrigger ? NoteKind::ReleaseTrigger
                                                                : NoteKind::LaterRoundRobin);
      continue;
    }
    // Paths count from the preset's folder and stay inside its container.
    std::optional<std::string> path = ResolveInside(place.folder, zone->path);
    if (!path) {
      plan->drops.Drop(PartKind::Zone, LeftOutKind::SampleOutside, 1, zone->path);
      continue;
    }
    SampleZonePlan& planned = plan->zones.emplace_back();
    planned.file = pool.Add(place.root + *path);
    planned.zones.push_back(zone->zone);
    planned.name = FileStem(zone->path);
    planned.subject = std::move(zone->path);
    // `end` is the last frame played: the same values, fewer frames.
    if (zone->end) planned.frames = *zone->end + 1;
    planned.loopStart = zone->loopStart;
    planned.loopEnd = zone->loopEnd;
    planned.looped = zone->looped;
    planned.rootKey = zone->rootKey;
    planned.gainDb = zone->gainDb;
  }
  return plan;
}

std::optional<std::vector<ImportOutcome>> ImportDecentPresets(
    Library& library, Source& source, std::span<const DecentPresetText> presets,
    const InstrumentFiles& files, WorkProgress* progress) {
  // Every preset planned first, so that the samples of them all decode in one pass.
  SamplePool pool;
  std::vector<std::unique_ptr<PlannedFile>> plans;
  plans.reserve(presets.size());
  for (const DecentPresetText& preset : presets) {
    FilePlace place;
    place.name = std::string(preset.place.name);
    place.modifiedTime = preset.place.modifiedTime;
    place.folder = std::string(preset.place.folder);
    if (!preset.text) {
      auto refused = std::make_unique<PlannedPreset>(place);
      refused->refused = std::string(preset.failure);
      plans.push_back(std::move(refused));
      continue;
    }
    plans.push_back(PlanDecentPreset(*preset.text, place, files, pool));
  }
  if (!pool.DecodeAll(files, progress)) return std::nullopt;

  std::vector<ImportOutcome> outcomes;
  outcomes.reserve(presets.size());
  for (std::size_t i = 0; i < presets.size(); ++i) {
    if (WorkCancelled(progress)) return std::nullopt;
    ReportStep(progress, "presets", i, presets.size());
    outcomes.push_back(plans[i]->Build(library, source, pool));
  }
  ReportStep(progress, "presets", presets.size(), presets.size());
  return outcomes;
}

ImportOutcome ImportDecentPreset(Library& library, Source& source, std::string_view text,
                                 const DecentPresetPlace& place, const InstrumentFiles& files,
                                 WorkProgress* progress) {
  const DecentPresetText preset{place, text, {}};
  std::optional<std::vector<ImportOutcome>> outcomes =
      ImportDecentPresets(library, source, {&preset, 1}, files, progress);
  if (!outcomes) return ImportOutcome::Cancelled();
  return std::move(outcomes->front());
}

}  // namespace tolvane
