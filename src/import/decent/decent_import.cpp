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

// One preset's zones to be, before its samples are decoded.
struct DecentPresetPlan {
  // Set when the preset is damaged as a whole (its `<groups>` cannot be read): the reason.
  std::string refused;
  ImportDrops drops{PartKind::Zone};  // what planning already left out or noted
  std::vector<SampleZonePlan> zones;  // over the files of the container's pool
};

// Plans the preset `text` whose folder in the container is `folder`, adding the files its zones
// play to `pool`.
DecentPresetPlan PlanDecentPreset(std::string_view text, std::string_view folder,
                                  SamplePool& pool) {
  DecentPresetPlan plan;
  const std::optional<DecentPresetRecords> records = ReadDecentRecords(text);
  if (!records) {
    plan.refused = "no <groups> element that can be read";
    return plan;
  }
  for (const DecentSampleRecord& record : records->samples) {
    std::optional<DecentZonePlan> zone = PlanDecentZone(record);
    if (!zone) continue;
    if (zone->skip != DecentSkip::None) {
      plan.drops.Note(zone->skip == DecentSkip::ReleaseTrigger ? NoteKind::ReleaseTrigger
                                                               : NoteKind::LaterRoundRobin);
      continue;
    }
    std::optional<std::string> path = ResolveInside(folder, zone->path);
    if (!path) {
      plan.drops.Drop(PartKind::Zone, LeftOutKind::SampleOutside, 1, zone->path);
      continue;
    }
    SampleZonePlan& planned = plan.zones.emplace_back();
    planned.file = pool.Add(std::move(*path));
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

// The instrument of `plan`, its zones playing the decoded files of `pool`; the preset's outcome,
// as ImportDecentPreset tells it. `number` tells the presets of the source apart.
ImportOutcome BuildDecentInstrument(Library& library, Source& source, const DecentPresetPlan& plan,
                                    const DecentPresetPlace& place, const SamplePool& pool,
                                    std::uint32_t number) {
  if (!plan.refused.empty()) return ImportOutcome::Damaged(plan.refused);
  ImportDrops drops = plan.drops;
  std::unique_ptr<Instrument> instrument =
      CreateNamedInstrument(source, place.name, place.modifiedTime);
  const SampleRules rules{
      .part = PartKind::Zone, .ownLoop = OwnLoop::KeptPoints, .gainToleranceDb = kGainToleranceDb};
  AddSampleZones(*instrument, plan.zones, pool, rules, number, drops);
  return FinishInstrument(library, std::move(instrument), drops,
                          plan.zones.empty() ? "no sample" : "no sample left");
}

}  // namespace

std::optional<std::vector<ImportOutcome>> ImportDecentPresets(
    Library& library, Source& source, std::span<const DecentPresetText> presets,
    const InstrumentFiles& files, WorkProgress* progress) {
  // Every preset planned first, so that the samples of them all decode in one pass.
  SamplePool pool;
  std::vector<DecentPresetPlan> plans;
  plans.reserve(presets.size());
  for (const DecentPresetText& preset : presets) {
    if (!preset.text) {
      plans.push_back({std::string(preset.failure), {}, {}});
      continue;
    }
    plans.push_back(PlanDecentPreset(*preset.text, preset.place.folder, pool));
  }
  if (!pool.DecodeAll(files, progress)) return std::nullopt;

  std::vector<ImportOutcome> outcomes;
  outcomes.reserve(presets.size());
  for (std::size_t i = 0; i < presets.size(); ++i) {
    if (WorkCancelled(progress)) return std::nullopt;
    ReportStep(progress, "presets", i, presets.size());
    outcomes.push_back(BuildDecentInstrument(library, source, plans[i], presets[i].place, pool,
                                             static_cast<std::uint32_t>(i + 1)));
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
