#include "import/decent/decent_import.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/work_progress.h"
#include "import/archive_path.h"
#include "import/decent/decent_instrument.h"
#include "import/decent/decent_records.h"
#include "import/decent/decent_samples.h"

namespace tolvane {

DecentPresetPlan PlanDecentPreset(std::string_view text, std::string_view folder,
                                  DecentSamples& samples) {
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
    const std::size_t sample = samples.Add(std::move(*path));
    plan.zones.emplace_back(std::move(*zone), sample);
  }
  return plan;
}

std::optional<std::vector<ImportOutcome>> ImportDecentPresets(
    Library& library, Source& source, std::span<const DecentPresetText> presets,
    const InstrumentFiles& files, WorkProgress* progress) {
  DecentSamples samples;
  std::vector<DecentPresetPlan> plans;
  plans.reserve(presets.size());
  for (const DecentPresetText& preset : presets) {
    if (!preset.text) {
      plans.push_back({std::string(preset.failure), {}, {}});
      continue;
    }
    plans.push_back(PlanDecentPreset(*preset.text, preset.place.folder, samples));
  }
  if (!samples.DecodeAll(files, progress)) return std::nullopt;

  std::vector<ImportOutcome> outcomes;
  outcomes.reserve(presets.size());
  for (std::size_t i = 0; i < presets.size(); ++i) {
    if (WorkCancelled(progress)) return std::nullopt;
    ReportStep(progress, "presets", i, presets.size());
    outcomes.push_back(BuildDecentInstrument(library, source, plans[i], presets[i].place, samples));
  }
  ReportStep(progress, "presets", presets.size(), presets.size());
  return outcomes;
}

ImportOutcome ImportDecentPreset(Library& library, Source& source, std::string_view text,
                                 const DecentPresetPlace& place, const InstrumentFiles& files) {
  const DecentPresetText preset{place, text, {}};
  std::optional<std::vector<ImportOutcome>> outcomes =
      ImportDecentPresets(library, source, {&preset, 1}, files, nullptr);
  return std::move(outcomes->front());
}

}  // namespace tolvane
