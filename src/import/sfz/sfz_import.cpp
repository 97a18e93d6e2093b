#include "import/sfz/sfz_import.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
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
#include "import/sfz/sfz_outcome.h"
#include "import/sfz/sfz_parser.h"
#include "import/sfz/sfz_programs.h"
#include "import/sfz/sfz_regions.h"
#include "import/sfz/sfz_zone.h"
#include "library/library.h"

namespace tolvane {
namespace {

// A region loops a sample's loop as written: one that loops it elsewhere, even past its end,
// plays a sample of its own.
constexpr SampleRules kRules{.part = PartKind::Region, .ownLoop = OwnLoop::WrittenPoints};

// One program's regions as zones over the pool, and why it has none when it has none.
struct PlannedProgram {
  std::string name;  // Windows-1252
  std::vector<SampleZonePlan> plans;
  std::string whyEmpty;
};

class PlannedSfz : public PlannedFile {
 public:
  PlannedSfz(const FilePlace& place, ImportDrops drops, std::vector<PlannedProgram> programs)
      : place_(place), drops_(std::move(drops)), programs_(std::move(programs)) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (programs_.size() == 1) {
      const PlannedProgram& only = programs_.front();
      ImportDrops drops = drops_;
      std::unique_ptr<Instrument> instrument =
          CreateNamedInstrument(source, only.name, place_.modifiedTime);
      AddSampleZones(*instrument, only.plans, pool, kRules, drops);
      return FinishInstrument(library, std::move(instrument), drops, only.whyEmpty);
    }
    // Each program its own instrument; the file's outcome counts them all together and names
    // the programs that kept no region.
    ImportDrops drops = drops_;
    std::string damage;
    for (const PlannedProgram& program : programs_) {
      ImportDrops programDrops(PartKind::Region);
      std::unique_ptr<Instrument> instrument =
          CreateNamedInstrument(source, program.name, place_.modifiedTime);
      AddSampleZones(*instrument, program.plans, pool, kRules, programDrops);
      const ImportOutcome outcome =
          FinishInstrument(library, std::move(instrument), programDrops, program.whyEmpty);
      drops.Gather(outcome);
      if (outcome.reason.empty()) continue;
      if (!damage.empty()) damage += "; ";
      damage += Windows1252ToUtf8(program.name) + ": " + outcome.reason;
    }
    return drops.Finish(damage);
  }

 private:
  FilePlace place_;
  ImportDrops drops_;  // what reading and choosing the regions left out or noted
  std::vector<PlannedProgram> programs_;
};

// Edits that turn `a` into `b` (letters inserted, removed, changed or swapped), up to 3.
std::size_t EditsBetween(std::string_view a, std::string_view b) {
  if (a.size() > b.size() + 3 || b.size() > a.size() + 3) return 4;
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// An opcode of a region without a sample that was likely meant as one ("smaple", "sampel").
std::string SampleLookalike(const SfzOpcodes& opcodes) {
  for (const auto& [name, value] : opcodes)
    if (name != "sample" && EditsBetween(name, "sample") <= 2) return name;
  return {};
}

PlannedProgram PlanProgram(const SfzProgram& program, const FilePlace& place, SamplePool& pool,
                           ImportDrops& drops) {
  PlannedProgram planned;
  planned.name = program.label.empty() ? place.name : place.name + " " + program.label;
  const SfzChoice choice = ChooseRegions(program.instrument, drops);
  for (const SfzRegion& region : choice.kept) {
    std::optional<SfzZonePlan> regionPlan = PlanSfzZone(region);
    if (!regionPlan) {
      drops.Note(kNoSample, 1, SampleLookalike(region.opcodes));
      continue;
    }
    const std::optional<std::string> path =
        JoinPath(place.root + place.folder, regionPlan->samplePath);
    if (!path) {
      drops.Drop(PartKind::Region, LeftOutKind::SampleOutside, 1, regionPlan->samplePath);
      continue;
    }
    SampleZonePlan& plan = planned.plans.emplace_back();
    plan.file = pool.Add(*path);
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
  planned.whyEmpty = !choice.kept.empty()      ? "no region left"
                     : !choice.whyNone.empty() ? choice.whyNone
                                               : "no region";
  return planned;
}

}  // namespace

std::unique_ptr<PlannedFile> PlanSfz(std::string_view text, const FilePlace& place,
                                     const InstrumentFiles& files, SamplePool& pool) {
  // Included files count from the top file's folder, as its samples do.
  const SfzText parsed = ParseSfz(text, [&](const std::string& path) -> std::optional<std::string> {
    const std::optional<std::string> joined = JoinPath(place.root + place.folder, path);
    if (!joined) return std::nullopt;
    return files.ReadText(*joined);
  });
  ImportDrops drops(PartKind::Region);
  if (parsed.damage) drops.Drop(*parsed.damage);
  std::vector<PlannedProgram> programs;
  for (const SfzProgram& program : SplitPrograms(CollectRegions(parsed.sections)))
    programs.push_back(PlanProgram(program, place, pool, drops));
  return std::make_unique<PlannedSfz>(place, std::move(drops), std::move(programs));
}

ImportOutcome ImportSfzText(Library& library, Source& source, std::string_view text,
                            std::int64_t modifiedTime, const InstrumentFiles& files,
                            WorkProgress* progress) {
  FilePlace place;
  place.name = source.baseName;
  place.modifiedTime = modifiedTime;
  return ImportPlannedFile(&PlanSfz, library, source, text, place, files, progress);
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
