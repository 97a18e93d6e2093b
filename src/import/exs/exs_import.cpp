#include "import/exs/exs_import.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "import/archive_path.h"
#include "import/exs/exs_outcome.h"
#include "import/exs/exs_records.h"
#include "import/exs/exs_samples.h"
#include "import/exs/exs_zone.h"
#include "import/file_instrument.h"
#include "import/instrument_files.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

// A zone that loops elsewhere than its file's loop plays a sample of its own; one that does not
// loop does not, whatever its file says. The file's tuning never counts: the zone has its own.
constexpr SampleRules kRules{
    .part = PartKind::Zone, .ownLoop = OwnLoop::PlayedLoop, .fileTuning = false};

// "Select Group By" values under which groups chain into round-robin cycles: 2 in Logic's own
// files, 1 in some others'.
bool Chains(const ExsGroupRecord& group) {
  return group.selectType == 1 || group.selectType == 2;
}

// The groups after the first of a round-robin cycle. Each group of a cycle names the one before
// it; the first names none (-1). A chain that loops, leaves the groups or passes a group of
// another kind is no cycle, and a group naming itself is none (plain groups store 0 there).
std::vector<bool> LaterRoundRobins(const std::vector<ExsGroupRecord>& groups) {
  enum class Reach : std::uint8_t { Unknown, Visiting, Head, Nowhere };
  std::vector<Reach> reach(groups.size(), Reach::Unknown);
  const auto previous = [&](std::size_t i) -> std::optional<std::size_t> {
    const std::int32_t linked = groups[i].linked;
    if (linked < 0 || static_cast<std::size_t>(linked) >= groups.size() ||
        static_cast<std::size_t>(linked) == i)
      return std::nullopt;
    return static_cast<std::size_t>(linked);
  };
  // Whether the chain from `start` ends at the first group of a cycle, each group looked at once.
  const auto reachesHead = [&](std::size_t start) {
    std::vector<std::size_t> path;
    Reach result = Reach::Nowhere;
    for (std::size_t at = start;;) {
      if (reach[at] == Reach::Head || reach[at] == Reach::Nowhere) {
        result = reach[at];
        break;
      }
      if (reach[at] == Reach::Visiting || !Chains(groups[at])) break;
      if (groups[at].linked == -1) {
        result = Reach::Head;
        break;
      }
      reach[at] = Reach::Visiting;
      path.push_back(at);
      const std::optional<std::size_t> next = previous(at);
      if (!next) break;
      at = *next;
    }
    for (const std::size_t i : path) reach[i] = result;
    if (reach[start] == Reach::Unknown) reach[start] = result;
    return result == Reach::Head;
  };
  std::vector<bool> later(groups.size(), false);
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const std::optional<std::size_t> before = previous(i);
    later[i] = Chains(groups[i]) && before && reachesHead(*before);
  }
  return later;
}

class PlannedExs : public PlannedFile {
 public:
  explicit PlannedExs(const FilePlace& place) : place_(place) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (!refused.empty()) return ImportOutcome::NotRecognised(refused);
    ImportDrops built = drops;
    std::unique_ptr<Instrument> instrument =
        CreateNamedInstrument(source, place_.name, place_.modifiedTime);
    AddSampleZones(*instrument, plans, pool, kRules, built);
    ImportOutcome outcome = FinishInstrument(library, std::move(instrument), built,
                                             hadZones ? "no zone left" : "no zone");
    // A file cut short keeps what came before the cut, and says where it is.
    if (!damage.empty()) {
      outcome.reason = outcome.reason.empty() ? damage : damage + "; " + outcome.reason;
      outcome.status = ImportStatus::Damaged;
    }
    return outcome;
  }

  std::string refused;  // why the file is no EXS instrument
  std::string damage;   // where the walk of its chunks stopped
  ImportDrops drops{PartKind::Zone};
  std::vector<SampleZonePlan> plans;
  bool hadZones = false;

 private:
  FilePlace place_;
};

// The group a zone names, or null for none; a group the file does not hold is noted.
const ExsGroupRecord* GroupOf(const ExsZoneRecord& zone, const ExsFile& file, ImportDrops& drops) {
  if (zone.group == -1) return nullptr;
  if (zone.group < 0 || static_cast<std::size_t>(zone.group) >= file.groups.size()) {
    drops.Note(kExsGroupMissing);
    return nullptr;
  }
  return &file.groups[static_cast<std::size_t>(zone.group)];
}

}  // namespace

std::unique_ptr<PlannedFile> PlanExs(std::string_view text, const FilePlace& place,
                                     const InstrumentFiles& files, SamplePool& pool) {
  auto plan = std::make_unique<PlannedExs>(place);
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(text.data()),
                                         text.size());
  ExsReading reading = ReadExs(bytes);
  if (!reading.file) {
    plan->refused = text.empty() ? "an empty file" : reading.refusal;
    return plan;
  }
  const ExsFile& file = *reading.file;
  plan->damage = file.damage;
  plan->hadZones = !file.zones.empty();
  const ExsGlobals globals = ReadExsGlobals(file.parameters);
  if (globals.filterOn && !globals.LowPass()) plan->drops.Note(kExsFilterNotLowPass);
  const std::vector<bool> laterRoundRobin = LaterRoundRobins(file.groups);
  ExsSampleFinder finder(file, place.root + place.folder, files);

  for (std::size_t i = 0; i < file.zones.size(); ++i) {
    const ExsZoneRecord& zone = file.zones[i];
    const ExsGroupRecord* group = GroupOf(zone, file, plan->drops);
    if (group != nullptr) {
      const auto index = static_cast<std::size_t>(zone.group);
      if (group->trigger == 1) {
        plan->drops.Note(NoteKind::ReleaseTrigger);
        continue;
      }
      if (laterRoundRobin[index]) {
        plan->drops.Note(NoteKind::LaterRoundRobin);
        continue;
      }
      if ((group->flags & kExsGroupMuted) != 0) {
        plan->drops.Note(kExsMutedGroup);
        continue;
      }
    }
    // A zone that names no sample plays the one of its own number.
    const std::size_t sample = zone.sample == -1 ? i : static_cast<std::uint32_t>(zone.sample);
    if (sample >= file.samples.size()) {
      plan->drops.Drop(PartKind::Zone, kExsNoSuchSample, 1, zone.name);
      continue;
    }
    std::optional<SampleZonePlan> planned = PlanExsZone(zone, group, globals);
    if (!planned) {
      plan->drops.Note(kExsNoRange);
      continue;
    }
    const std::string name = ExsSampleFileName(file.samples[sample]);
    const std::optional<std::string> path = finder.Find(sample);
    if (!path) {
      plan->drops.Drop(PartKind::Zone, LeftOutKind::SampleNotFound, 1, name);
      continue;
    }
    if ((zone.loopFlags & kExsLoopOn) != 0 && zone.direction == ExsBackward)
      plan->drops.Note(kExsBackwardLoop);
    planned->file = pool.Add(*path);
    planned->name = Utf8ToWindows1252(FileStem(name));
    planned->subject = name;
    plan->plans.push_back(std::move(*planned));
  }
  return plan;
}

ImportOutcome ImportExsBytes(Library& library, Source& source, std::span<const std::byte> bytes,
                             const FilePlace& place, const InstrumentFiles& files,
                             WorkProgress* progress) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return ImportPlannedFile(&PlanExs, library, source, text, place, files, progress);
}

ImportOutcome ImportExs(Library& library, Source& source, const ImportView& view) {
  if (!LooksLikeExs(view.bytes)) return ImportOutcome::NotRecognised();
  // Samples are looked for from the folder above the instrument's, where libraries keep a
  // samples folder beside their instruments' folder.
  const fs::path given = PathFromUtf8(Windows1252ToUtf8(source.path));
  std::error_code error;
  fs::path path = fs::absolute(given, error);
  if (error) path = given;
  const fs::path folder = path.parent_path();
  const bool hasParent = folder.has_parent_path() && folder.parent_path() != folder;
  FilePlace place;
  place.name = source.baseName;
  place.modifiedTime = view.modifiedTime;
  place.settings = view.settings;
  if (hasParent) place.folder = PathToUtf8(folder.filename()) + '/';
  const DiskFiles files(hasParent ? folder.parent_path() : folder);
  return ImportExsBytes(library, source, view.bytes, place, files, view.progress);
}

}  // namespace tolvane
