// .dslibrary archives: a zip of presets and the samples they play, read in place.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/encoding.h"
#include "base/work_progress.h"
#include "import/archive_path.h"
#include "import/decent/decent_import.h"
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

  ImportDrops drops(PartKind::Zone);
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
  // Every preset unpacked and named first, so that their samples decode in one pass.
  struct Unpacked {
    std::optional<std::string> text;
    std::string name;  // Windows-1252
    std::string folder;
  };
  std::vector<Unpacked> unpacked;
  unpacked.reserve(presets.size());
  for (const ZipEntry* entry : presets) {
    if (WorkCancelled(view.progress)) return ImportOutcome::Cancelled();
    std::string folder = EntryFolder(entry->name);
    if (!folder.empty()) folder += '/';
    unpacked.push_back({files.ReadText(entry->name), PresetName(entry->name), std::move(folder)});
  }
  std::vector<DecentPresetText> texts;
  texts.reserve(unpacked.size());
  for (const Unpacked& preset : unpacked) {
    const DecentPresetPlace place{preset.name, view.modifiedTime, preset.folder};
    if (preset.text)
      texts.push_back({place, std::string_view(*preset.text), {}});
    else
      texts.push_back({place, std::nullopt, "cannot be unpacked"});
  }

  const std::optional<std::vector<ImportOutcome>> outcomes =
      ImportDecentPresets(library, source, texts, files, view.progress);
  if (!outcomes) return ImportOutcome::Cancelled();
  std::string damage;
  for (std::size_t i = 0; i < presets.size(); ++i)
    GatherPresetOutcome(drops, damage, presets[i]->name, (*outcomes)[i]);
  return drops.Finish(damage);
}

}  // namespace tolvane
