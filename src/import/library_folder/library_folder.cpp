#include "import/library_folder/library_folder.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/whole_file.h"
#include "base/work_progress.h"
#include "database/sound_database.h"
#include "import/archive_path.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/library_folder/library_listing.h"
#include "import/outcome_text.h"
#include "import/sample_pool.h"
#include "import/sfz/sfz_parser.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLargestText = std::size_t{64} << 20;
constexpr std::string_view kFilesStep = "reading instrument files";

// Sound files of the folder that no instrument plays: passed over, not damage.
std::string PassedOverWords(const ImportNote& note) {
  return Counted(note.count, "sound file") + " that no instrument plays " +
         (note.count == 1 ? "was" : "were") + " passed over";
}
constexpr FormatNote kPassedOver{{}, {}, &PassedOverWords};

// Files that come with instruments and are none (an MPC expansion's projects and tracks).
std::string BesideWords(const ImportNote& note) {
  return Counted(note.count, "file") + " beside the instruments (projects, tracks, sequences, " +
         "caches) " + (note.count == 1 ? "was" : "were") + " passed over";
}
constexpr FormatNote kBeside{{}, {}, &BesideWords};

std::string TextOf(const WholeFile& file) {
  return {reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()};
}

// The keys (case folded) of every file an .sfz of the library #includes: parts of those
// instruments, not instruments of their own.
std::set<std::string> SfzIncludes(const std::vector<LibraryFile>& files,
                                  const std::vector<std::string>& texts,
                                  const InstrumentFiles& disk) {
  std::set<std::string> included;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!files[i].planned || !EndsWithIgnoringCase(files[i].key, ".sfz")) continue;
    const std::string folder = files[i].place.root + files[i].place.folder;
    ParseSfz(texts[i], [&](const std::string& path) -> std::optional<std::string> {
      const std::optional<std::string> key = JoinPath(folder, path);
      if (!key) return std::nullopt;
      included.insert(FoldCase(*key));
      return disk.ReadText(*key);
    });
  }
  return included;
}

// The files of the pool on disk, as keys from the library's top (case folded).
std::set<std::string> PlayedFiles(const SamplePool& pool, const DiskFiles& disk,
                                  const fs::path& root) {
  std::set<std::string> played;
  for (std::size_t i = 0; i < pool.size(); ++i) {
    const std::optional<fs::path> found = disk.Find(pool[i].path);
    if (!found) continue;
    std::string key = PathToUtf8(found->lexically_relative(root));
    std::replace(key.begin(), key.end(), '\\', '/');
    played.insert(FoldCase(key));
  }
  return played;
}

// One file's outcome added to the library's: its parts and notes counted together, its damage
// named after the file.
void Gather(ImportDrops& drops, std::string& damage, const std::string& key,
            const ImportOutcome& outcome) {
  drops.Gather(outcome);
  std::string reason = outcome.reason;
  if (outcome.status == ImportStatus::Unread) reason = "not read: " + reason;
  // An instrument file by its name that is none after all: said, not passed over.
  if (outcome.status == ImportStatus::NotRecognised)
    reason = reason.empty() ? "not recognised" : "not recognised: " + reason;
  if (reason.empty()) return;
  if (!damage.empty()) damage += "; ";
  damage += key + ": " + reason;
}

}  // namespace

ImportOutcome ImportLibraryFolder(Library& library, SoundDatabase& database,
                                  std::string_view utf8Path, const ImportSettings& settings,
                                  WorkProgress* progress) {
  const fs::path root = PathFromUtf8(utf8Path);
  LibraryListing listing = ListLibrary(root);
  std::string damage = listing.failure;
  const DiskFiles disk(root);

  // Every planned file read first: its #includes settle which files are instruments.
  std::vector<std::string> texts(listing.files.size());
  std::vector<bool> unreadable(listing.files.size(), false);
  for (std::size_t i = 0; i < listing.files.size(); ++i) {
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    ReportStep(progress, kFilesStep, i, listing.files.size());
    if (!listing.files[i].planned) continue;
    const WholeFile file = ReadWholeFile(listing.files[i].path, kLargestText);
    if (file.state == FileState::kRead)
      texts[i] = TextOf(file);
    else
      unreadable[i] = true;
  }
  const std::set<std::string> included = SfzIncludes(listing.files, texts, disk);

  // The planned files over one pool, decoded in one pass.
  SamplePool pool;
  std::vector<std::unique_ptr<PlannedFile>> plans(listing.files.size());
  for (std::size_t i = 0; i < listing.files.size(); ++i) {
    LibraryFile& file = listing.files[i];
    if (!file.planned || unreadable[i] || included.contains(FoldCase(file.key))) continue;
    file.place.settings = settings;
    plans[i] = file.format->plan(texts[i], file.place, disk, pool);
  }
  texts.clear();
  if (!pool.DecodeAll(disk, progress)) return ImportOutcome::Cancelled();

  ImportDrops drops(PartKind::File);
  Source* source = nullptr;
  for (std::size_t i = 0; i < listing.files.size(); ++i) {
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    const LibraryFile& file = listing.files[i];
    if (unreadable[i]) {
      Gather(drops, damage, file.key, ImportOutcome::Damaged("cannot be read"));
      continue;
    }
    if (!plans[i]) continue;
    if (source == nullptr) {
      fs::path named = fs::absolute(root).lexically_normal();
      if (named.filename().empty()) named = named.parent_path();
      source = &CreateSource(library, Utf8ToWindows1252(utf8Path),
                             Utf8ToWindows1252(PathToUtf8(named.filename())));
    }
    // Each file's categories are kept as a drop of it keeps them.
    source->section = &FindOrCreateSection(database, file.section);
    Gather(drops, damage, file.key, plans[i]->Build(library, *source, pool));
  }
  if (source != nullptr) NumberCollections(*source);
  std::set<std::string> played = PlayedFiles(pool, disk, root);
  plans.clear();

  // Banks, archives and SiFi files, each as if dropped alone.
  for (const LibraryFile& file : listing.files) {
    if (file.planned) continue;
    if (WorkCancelled(progress)) return ImportOutcome::Cancelled();
    ImportOutcome outcome =
        ImportFile(library, database, PathToUtf8(file.path), progress, settings);
    if (outcome.status == ImportStatus::Cancelled) return outcome;
    Gather(drops, damage, file.key, outcome);
  }
  ReportStep(progress, kFilesStep, listing.files.size(), listing.files.size());

  const std::size_t passedOver = static_cast<std::size_t>(
      std::count_if(listing.soundFiles.begin(), listing.soundFiles.end(),
                    [&](const std::string& key) { return !played.contains(FoldCase(key)); }));
  drops.Note(kPassedOver, passedOver);
  drops.Note(kBeside, listing.passedOver.size());
  return drops.Finish(damage);
}

}  // namespace tolvane
