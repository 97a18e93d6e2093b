#include "import/sfz/sfz_import.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/instrument_files.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "import/sfz/sfz_parser.h"
#include "import/sfz/sfz_regions.h"
#include "import/sfz/sfz_zone.h"
#include "library/library.h"

namespace tolvane {

ImportOutcome ImportSfzText(Library& library, Source& source, std::string_view text,
                            std::int64_t modifiedTime, const InstrumentFiles& files,
                            WorkProgress* progress) {
  const SfzText parsed =
      ParseSfz(text, [&](const std::string& path) { return files.ReadText(path); });
  const SfzInstrument collected = CollectRegions(parsed.sections);
  ImportDrops drops;
  const SfzChoice choice = ChooseRegions(collected, drops);
  const std::vector<SfzRegion>& regions = choice.kept;

  SamplePool pool;
  std::vector<SampleZonePlan> plans;
  for (const SfzRegion& region : regions) {
    std::optional<SfzZonePlan> regionPlan = PlanSfzZone(region);
    if (!regionPlan) continue;
    SampleZonePlan& plan = plans.emplace_back();
    plan.file = pool.Add(regionPlan->samplePath);
    plan.zones.push_back(regionPlan->zone);
    plan.name = FileStem(regionPlan->samplePath);
    plan.subject = std::move(regionPlan->samplePath);
    if (regionPlan->loop) {
      plan.loopStart = regionPlan->loop->start;
      plan.loopEnd = regionPlan->loop->end;
    }
    plan.looped = regionPlan->looped;
    plan.gainDb = regionPlan->gainDb;
  }
  if (!pool.DecodeAll(files, progress)) return ImportOutcome::Cancelled();

  std::unique_ptr<Instrument> instrument = CreateFileInstrument(source, modifiedTime);
  if (parsed.damage) {
    drops.Drop(*parsed.damage);
  }
  // A region loops a sample's loop as written: one that loops it elsewhere, even past its end,
  // plays a sample of its own.
  const SampleRules rules{.part = PartKind::Region, .ownLoop = OwnLoop::WrittenPoints};
  AddSampleZones(*instrument, plans, pool, rules, 1, drops);
  return FinishInstrument(library, std::move(instrument), drops,
                          !regions.empty()          ? "no region left"
                          : !choice.whyNone.empty() ? choice.whyNone
                                                    : "no region");
}

ImportOutcome ImportSfz(Library& library, Source& source, const ImportView& view) {
  if (!EndsWithIgnoringCase(source.path, ".sfz")) return ImportOutcome::NotRecognised();
  const std::filesystem::path path{Windows1252ToUtf8(source.path)};
  const DiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                   : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportSfzText(library, source, text, view.modifiedTime, files, view.progress);
}

}  // namespace tolvane
