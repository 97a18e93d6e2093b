// Presets from disk: a lone .dspreset through the importer chain, and .dsbundle folders.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/whole_file.h"
#include "base/work_progress.h"
#include "database/sound_database.h"
#include "import/archive_path.h"
#include "import/decent/decent_import.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLargestPreset = std::size_t{64} << 20;

std::string_view TextOf(const std::vector<std::byte>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The presets under `root`, in name order; `failure` says when the listing stopped part way.
std::vector<fs::path> ListPresets(const fs::path& root, std::string& failure) {
  std::vector<fs::path> presets;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code fileError;
    if (it->is_regular_file(fileError) &&
        EndsWithIgnoringCase(PathToUtf8(it->path().filename()), ".dspreset"))
      presets.push_back(it->path());
  }
  if (error) failure = "the folder cannot be listed whole: " + error.message();
  std::sort(presets.begin(), presets.end());
  return presets;
}

}  // namespace

void GatherPresetOutcome(ImportDrops& drops, std::string& damage, const std::string& preset,
                         const ImportOutcome& outcome) {
  for (const LeftOut& part : outcome.leftOut)
    drops.Drop(part.part, part.kind, part.count, part.subject, part.detail);
  for (const ImportNote& note : outcome.notes) drops.Note(note.kind, note.count, note.subject);
  if (outcome.reason.empty()) return;
  if (!damage.empty()) damage += "; ";
  damage += preset + ": " + outcome.reason;
}

ImportOutcome ImportDecent(Library& library, Source& source, const ImportView& view) {
  if (!EndsWithIgnoringCase(source.path, ".dspreset")) return ImportOutcome::NotRecognised();
  const fs::path path{Windows1252ToUtf8(source.path)};
  const DiskFiles files(path.parent_path().empty() ? fs::path(".") : path.parent_path());
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportDecentPreset(library, source, text, {source.baseName, view.modifiedTime, {}}, files,
                            view.progress);
}

bool IsDecentBundleName(std::string_view utf8Path) {
  while (!utf8Path.empty() && (utf8Path.back() == '/' || utf8Path.back() == '\\'))
    utf8Path.remove_suffix(1);
  return EndsWithIgnoringCase(utf8Path, ".dsbundle");
}

ImportOutcome ImportDecentBundle(Library& library, SoundDatabase& database,
                                 std::string_view utf8Path, WorkProgress* progress) {
  const fs::path root = PathFromUtf8(utf8Path);
  std::string damage;
  const std::vector<fs::path> presets = ListPresets(root, damage);
  if (presets.empty() && damage.empty())
    return ImportOutcome::NotRecognised("a .dsbundle folder without a .dspreset in it");

  fs::path named = fs::absolute(root).lexically_normal();
  if (named.filename().empty()) named = named.parent_path();
  Source& source = CreateSource(library, Utf8ToWindows1252(utf8Path),
                                Utf8ToWindows1252(PathToUtf8(named.filename())));
  source.section = &FindOrCreateSection(database, source.baseName);

  // Every preset read and named first, so that their samples decode in one pass.
  struct Read {
    std::string shown;  // its path in the bundle, which its damage is named after
    std::string name;   // Windows-1252
    std::string folder;
    WholeFile file;
  };
  std::vector<Read> reads;
  reads.reserve(presets.size());
  for (const fs::path& preset : presets) {
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    std::string folder = PathToUtf8(preset.parent_path().lexically_relative(root));
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folder == ".") folder.clear();
    if (!folder.empty()) folder += '/';
    reads.push_back({PathToUtf8(preset.lexically_relative(root)),
                     Utf8ToWindows1252(PathToUtf8(preset.stem())), std::move(folder),
                     ReadWholeFile(preset, kLargestPreset)});
  }
  std::vector<DecentPresetText> texts;
  texts.reserve(reads.size());
  for (std::size_t i = 0; i < reads.size(); ++i) {
    const Read& read = reads[i];
    const DecentPresetPlace place{read.name, FileModifiedSeconds(presets[i]), read.folder};
    if (read.file.state == FileState::kRead)
      texts.push_back({place, TextOf(read.file.bytes), {}});
    else
      texts.push_back({place, std::nullopt, "cannot be read"});
  }

  const DiskFiles files(root);
  const std::optional<std::vector<ImportOutcome>> outcomes =
      ImportDecentPresets(library, source, texts, files, progress);
  if (!outcomes) return ImportOutcome::Cancelled();
  ImportDrops drops(PartKind::Zone);
  for (std::size_t i = 0; i < reads.size(); ++i)
    GatherPresetOutcome(drops, damage, reads[i].shown, (*outcomes)[i]);
  NumberCollections(source);
  return drops.Finish(damage);
}

}  // namespace tolvane
