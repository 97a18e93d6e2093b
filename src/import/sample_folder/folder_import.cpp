#include "import/sample_folder/folder_import.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "database/sound_database.h"
#include "import/file_instrument.h"
#include "import/import_file.h"
#include "import/sample_folder/folder_plan.h"
#include "import/sample_folder/listed_files.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

struct FolderFiles {
  fs::path path;
  std::vector<std::size_t> samples;  // indices into the drop's pool, in name order
};

// The sound files of a drop, grouped by folder; the files are the pool's.
struct Listing {
  std::vector<FolderFiles> folders;
  std::vector<std::string> stems;  // by pool index: UTF-8 file names without their extension
  std::string failure;             // why the listing stopped part way
};

// The round robins left out of a drop, told as a note: not damage.
void NoteRoundRobins(ImportOutcome& outcome, std::size_t count) {
  if (count > 0) outcome.notes.push_back({NoteKind::LaterTake, count, {}});
}

std::string FolderName(const fs::path& folder) {
  fs::path path = fs::absolute(folder).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  return PathToUtf8(path.filename());
}

// The sound files under `root`, grouped by the folder that holds them, each added to `files`
// and `pool` by its path relative to `root` (UTF-8), which names it in messages. A listing that
// fails part way keeps what was listed.
Listing ListFolders(const fs::path& root, ListedFiles& files, SamplePool& pool) {
  Listing listing;
  std::map<fs::path, std::vector<fs::path>> byFolder;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code fileError;
    if (!it->is_regular_file(fileError)) continue;
    if (IsSoundFileName(PathToUtf8(it->path().filename())))
      byFolder[it->path().parent_path()].push_back(it->path());
  }
  if (error) listing.failure = "the folder cannot be listed whole: " + error.message();

  for (auto& [folder, paths] : byFolder) {
    std::sort(paths.begin(), paths.end());
    FolderFiles& listed = listing.folders.emplace_back();
    listed.path = folder;
    for (const fs::path& path : paths) {
      std::string shown = PathToUtf8(path.lexically_relative(root));
      files.Add(shown, path);
      const std::size_t index = pool.Add(std::move(shown));
      listed.samples.push_back(index);
      listing.stems.resize(pool.size());
      listing.stems[index] = PathToUtf8(path.stem());
    }
  }
  return listing;
}

// A line for the instrument's remarks when the name of a file moves its own root key.
std::string RootKeyRemark(const std::string& name, std::uint32_t named, std::uint32_t own) {
  return name + ": its name says key " + std::to_string(named) + ", the file's own root key is " +
         std::to_string(own) + "; the name is followed\r\n";
}

// The zone plans of one instrument of the folder; `readable` maps the plan's files to the pool.
std::vector<SampleZonePlan> ZonePlans(const PlannedInstrument& planned,
                                      const std::vector<std::size_t>& readable,
                                      const SamplePool& pool, const Listing& listing,
                                      Instrument& instrument) {
  std::vector<SampleZonePlan> plans;
  for (const PlannedZone& zone : planned.zones) {
    const PooledSample& left = pool[readable[zone.file]];
    const SoundMarkers& markers = left.reading.sound->markers;
    SampleZonePlan& plan = plans.emplace_back();
    plan.file = readable[zone.file];
    if (zone.right) plan.right = readable[*zone.right];
    Zone& played = plan.zones.emplace_back();
    InitZone(played);
    played.mapping.keyLow = zone.keyLow;
    played.mapping.keyHigh = zone.keyHigh;
    played.mapping.velLow = zone.velLow;
    played.mapping.velHigh = zone.velHigh;
    plan.name = Utf8ToWindows1252(listing.stems[plan.file]);
    plan.subject = left.path;
    plan.rootKey = zone.rootKey;
    if (markers.rootKey && zone.rootKey && ClampRootKey(*markers.rootKey) != *zone.rootKey)
      instrument.remarks += RootKeyRemark(plan.name, *zone.rootKey, *markers.rootKey);
  }
  return plans;
}

// The instruments of one folder's readable files (indices into `pool`). Returns the round
// robins left out.
std::size_t AddFolderInstruments(Library& library, Source& source, const std::string& folderName,
                                 const std::vector<std::size_t>& readable, const SamplePool& pool,
                                 const ListedFiles& files, const Listing& listing, MiddleC middleC,
                                 ImportDrops& drops) {
  std::vector<FolderFile> planFiles;
  for (const std::size_t index : readable) {
    const DecodedSound& sound = *pool[index].reading.sound;
    FolderFile& file = planFiles.emplace_back();
    file.stem = listing.stems[index];
    file.name = SampleName::Parse(file.stem);
    file.ownRootKey = sound.markers.rootKey;
    file.channels = sound.channels;
    file.frames = sound.frames;
    file.sampleRate = sound.sampleRate;
  }
  const FolderPlan plan = PlanFolder(planFiles, middleC);
  const SampleRules rules{.part = PartKind::File};
  for (const PlannedInstrument& planned : plan.instruments) {
    const std::string name = Utf8ToWindows1252(planned.name.empty() ? folderName : planned.name);
    std::int64_t newest = 0;
    for (const PlannedZone& zone : planned.zones)
      newest = std::max(newest, files.ModifiedTime(pool[readable[zone.file]].path));
    std::unique_ptr<Instrument> instrument = CreateNamedInstrument(source, name, newest);
    const std::vector<SampleZonePlan> zones =
        ZonePlans(planned, readable, pool, listing, *instrument);
    AddSampleZones(*instrument, zones, pool, rules, drops);
    if (instrument->zones.empty()) continue;
    AverageInstrument(*instrument);
    AddInstrument(library, std::move(instrument));
  }
  return plan.roundRobinsLeftOut;
}

}  // namespace

bool IsSoundFileName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string_view known : {"wav", "wave", "aif", "aiff", "aifc", "flac", "ogg", "oga"})
    if (extension == known) return true;
  return false;
}

ImportOutcome ImportFolder(Library& library, SoundDatabase& database, std::string_view utf8Path,
                           const ImportSettings& settings, WorkProgress* progress) {
  const fs::path root = PathFromUtf8(utf8Path);
  ListedFiles files;
  SamplePool pool;
  const Listing listing = ListFolders(root, files, pool);
  if (pool.size() == 0) {
    if (!listing.failure.empty())
      return ImportOutcome::CannotOpen("cannot open folder: " + listing.failure);
    return ImportOutcome::NotRecognised("no sound files (WAV, AIFF, FLAC or Ogg) in the folder");
  }
  if (!pool.DecodeAll(files, progress)) return ImportOutcome::Cancelled();

  ImportDrops drops;
  std::size_t roundRobins = 0;
  const std::string rootName = FolderName(root);
  for (const FolderFiles& folder : listing.folders) {
    const std::string name = folder.path == root ? rootName : PathToUtf8(folder.path.filename());
    Source& source =
        CreateSource(library, Utf8ToWindows1252(PathToUtf8(folder.path)), Utf8ToWindows1252(name));
    source.section = &FindOrCreateSection(database, source.baseName);
    std::vector<std::size_t> readable;
    for (const std::size_t i : folder.samples) {
      if (std::optional<UnplayableSample> why = WhyUnplayable(pool[i]))
        drops.Drop(PartKind::File, why->kind, 1, pool[i].path, std::move(why->detail));
      else
        readable.push_back(i);
    }
    roundRobins += AddFolderInstruments(library, source, name, readable, pool, files, listing,
                                        settings.middleC, drops);
    NumberCollections(source);
  }
  ImportOutcome outcome = drops.Finish(listing.failure);
  NoteRoundRobins(outcome, roundRobins);
  return outcome;
}

}  // namespace tolvane
