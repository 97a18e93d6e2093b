// .dslibrary archives: a zip of presets and the samples they play, read in place.

#include <algorithm>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/work_progress.h"
#include "import/decent/decent_import.h"
#include "import/zip/archive_path.h"
#include "import/zip/zip_archive.h"
#include "import/zip/zip_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

// The file name of an entry without its folder and extension, in Windows-1252.
std::string PresetName(const std::string& entryName) {
  const std::size_t slash = entryName.rfind('/');
  std::string name = entryName.substr(slash == std::string::npos ? 0 : slash + 1);
  name.resize(name.size() - std::string_view(".dspreset").size());
  return Utf8ToWindows1252(name);
}

}  // namespace

ImportOutcome ImportDecentLibrary(Library& library, Source& source, const ImportView& view) {
  if (!EndsWithIgnoringCase(source.path, ".dslibrary")) return ImportOutcome::NotRecognised();
  const ZipOpening opening = ZipArchive::Open(view.bytes);
  if (!opening.archive) return ImportOutcome::Damaged(opening.refusal);
  const ZipArchive& archive = *opening.archive;

  ImportDrops drops;
  for (const RefusedEntry& refused : archive.refused())
    drops.Drop(PartKind::File, LeftOutKind::EntryRefused, 1, refused.name,
               std::string(EntryNameProblemText(refused.problem)));
  std::vector<const ZipEntry*> presets;
  for (const ZipEntry& entry : archive.entries())
    if (EndsWithIgnoringCase(entry.name, ".dspreset")) presets.push_back(&entry);
  if (presets.empty()) return drops.Finish("a .dslibrary archive without a .dspreset in it");
  std::sort(presets.begin(), presets.end(),
            [](const ZipEntry* a, const ZipEntry* b) { return a->name < b->name; });

  // Sample paths count from the archive's root, as a bundle's count from its folder.
  const ZipFiles files(archive, "");
  std::string damage;
  for (std::size_t i = 0; i < presets.size(); ++i) {
    if (WorkCancelled(view.progress)) return ImportOutcome::Cancelled();
    ReportStep(view.progress, "presets", i, presets.size());
    const ZipEntry& entry = *presets[i];
    const std::optional<std::string> text = files.ReadText(entry.name);
    ImportOutcome outcome = ImportOutcome::Damaged("cannot be unpacked");
    if (text) {
      std::string folder = EntryFolder(entry.name);
      if (!folder.empty()) folder += '/';
      const std::string name = PresetName(entry.name);
      const DecentPresetPlace place{name, view.modifiedTime, folder};
      outcome = ImportDecentPreset(library, source, *text, place, files);
    }
    GatherPresetOutcome(drops, damage, entry.name, outcome);
  }
  ReportStep(view.progress, "presets", presets.size(), presets.size());
  return drops.Finish(damage);
}

}  // namespace tolvane
