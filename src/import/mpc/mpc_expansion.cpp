// .xpn expansions: a zip archive of programs and the samples they play, read in place.

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/work_progress.h"
#include "import/archive_path.h"
#include "import/mpc/mpc_import.h"
#include "import/mpc/mpc_outcome.h"
#include "import/sample_pool.h"
#include "import/zip/zip_archive.h"
#include "import/zip/zip_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr std::string_view kProgramsStep = "programs";

// One program's outcome added to the expansion's: its parts and notes counted together, its
// damage named after its entry.
void Gather(ImportDrops& drops, std::string& damage, const std::string& entry,
            const ImportOutcome& outcome) {
  drops.Gather(outcome);
  std::string reason = outcome.reason;
  if (outcome.status == ImportStatus::Unread) reason = "not read: " + reason;
  if (reason.empty()) return;
  if (!damage.empty()) damage += "; ";
  damage += entry + ": " + reason;
}

}  // namespace

ImportOutcome ImportMpcExpansion(Library& library, Source& source, std::span<const std::byte> bytes,
                                 std::int64_t modifiedTime, WorkProgress* progress) {
  const ZipOpening opening = ZipArchive::Open(bytes);
  if (!opening.archive) return ImportOutcome::Damaged(opening.refusal);
  const ZipArchive& archive = *opening.archive;
  ImportDrops drops(PartKind::Layer);
  for (const RefusedEntry& refused : archive.refused()) {
    drops.Drop(PartKind::File, LeftOutKind::EntryRefused, 1, refused.name,
               std::string(EntryNameProblemText(refused.problem)));
  }
  const ZipFiles files(archive, "");
  if (files.Find(std::string(kMpcExpansionFile)) == nullptr)
    return drops.Finish("no Expansion.xml at the archive's top");
  std::vector<const ZipEntry*> programs;
  for (const ZipEntry& entry : archive.entries())
    if (EndsWithIgnoringCase(entry.name, ".xpm")) programs.push_back(&entry);
  if (programs.empty()) return drops.Finish("an expansion without a program");
  std::sort(programs.begin(), programs.end(),
            [](const ZipEntry* a, const ZipEntry* b) { return a->name < b->name; });

  // Every program planned first, so that the samples of them all decode in one pass.
  SamplePool pool;
  std::vector<std::unique_ptr<PlannedFile>> plans;
  std::string damage;
  for (const ZipEntry* entry : programs) {
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    const std::optional<std::string> text = files.ReadText(entry->name);
    if (!text) {
      plans.push_back(nullptr);
      continue;
    }
    FilePlace place;
    place.name = Utf8ToWindows1252(FileStem(entry->name));
    place.modifiedTime = modifiedTime;
    place.folder = EntryFolder(entry->name);
    if (!place.folder.empty()) place.folder += '/';
    plans.push_back(PlanMpcProgram(*text, place, files, pool));
  }
  if (!pool.DecodeAll(files, progress)) return ImportOutcome::Cancelled();

  for (std::size_t i = 0; i < programs.size(); ++i) {
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    ReportStep(progress, kProgramsStep, i, programs.size());
    const ImportOutcome outcome = plans[i] ? plans[i]->Build(library, source, pool)
                                           : ImportOutcome::Damaged("cannot be unpacked");
    Gather(drops, damage, programs[i]->name, outcome);
  }
  ReportStep(progress, kProgramsStep, programs.size(), programs.size());

  // What no program plays: previews, demo sequences, caches, MPC 3 tracks, artwork.
  std::set<std::string> used{FoldCase(kMpcExpansionFile)};
  for (const ZipEntry* entry : programs) used.insert(FoldCase(entry->name));
  for (std::size_t i = 0; i < pool.size(); ++i) used.insert(FoldCase(pool[i].path));
  const auto passedOver =
      std::count_if(archive.entries().begin(), archive.entries().end(),
                    [&](const ZipEntry& entry) { return !used.contains(FoldCase(entry.name)); });
  drops.Note(kMpcPassedOver, static_cast<std::size_t>(passedOver));
  return drops.Finish(damage);
}

}  // namespace tolvane
