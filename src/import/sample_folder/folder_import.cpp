#include "import/sample_folder/folder_import.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/all_cores.h"
#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "base/work_progress.h"
#include "database/sound_database.h"
#include "import/file_instrument.h"
#include "import/import_file.h"
#include "import/sample_files/read_sound.h"
#include "import/sample_folder/folder_plan.h"
#include "library/library.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kLargestFile = std::numeric_limits<std::uint32_t>::max();

// One sound file of the drop, read on some core.
struct FolderSample {
  fs::path path;
  std::string shown;  // UTF-8, relative to the dropped folder, for messages
  std::string stem;   // UTF-8 file name without its extension
  std::int64_t modifiedTime = 0;
  std::optional<DecodedSound> sound;  // values moved to `data`
  // Why it was not read, when `sound` is empty; `detail` where the kind names one.
  LeftOutKind failure = LeftOutKind::SampleUnreadable;
  std::string detail;
  SampleData data;
};

struct FolderFiles {
  fs::path path;
  std::vector<std::size_t> samples;  // indices into the drop's samples, in name order
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

// The sound files under `root`, grouped by the folder that holds them. A listing that fails
// part way says so in `failure` and keeps what was listed.
std::vector<FolderFiles> ListFolders(const fs::path& root, std::vector<FolderSample>& samples,
                                     std::string& failure) {
  std::map<fs::path, std::vector<fs::path>> byFolder;
  std::error_code error;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code fileError;
    if (!it->is_regular_file(fileError)) continue;
    if (IsSoundFileName(PathToUtf8(it->path().filename())))
      byFolder[it->path().parent_path()].push_back(it->path());
  }
  if (error) failure = "the folder cannot be listed whole: " + error.message();

  std::vector<FolderFiles> folders;
  for (auto& [folder, files] : byFolder) {
    std::sort(files.begin(), files.end());
    FolderFiles& listed = folders.emplace_back();
    listed.path = folder;
    for (const fs::path& file : files) {
      listed.samples.push_back(samples.size());
      FolderSample& sample = samples.emplace_back();
      sample.path = file;
      sample.shown = PathToUtf8(file.lexically_relative(root));
      sample.stem = PathToUtf8(file.stem());
    }
  }
  return folders;
}

// Files up to this size are read rather than mapped: unmapping thousands of small files while
// every core works makes each unmapping interrupt the other cores (a TLB shootdown), which cost
// more than copying the bytes once into a buffer each thread reuses.
constexpr std::uintmax_t kLargestReadFile = 16u << 20;

// The file's bytes in `buffer` (grown as needed, never shrunk); false when it cannot be read.
bool ReadSmallFile(const fs::path& path, std::uintmax_t size, std::vector<std::byte>& buffer) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  if (buffer.size() < size) buffer.resize(size);
  in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

std::int64_t ModifiedSeconds(const fs::path& path) {
  std::error_code error;
  const auto written = fs::last_write_time(path, error);
  if (error) return 0;
  const auto moment = std::chrono::file_clock::to_sys(written);
  return std::chrono::duration_cast<std::chrono::seconds>(moment.time_since_epoch()).count();
}

// Decodes the bytes of one file into `sample`; sets `failure` when it cannot.
void DecodeSample(FolderSample& sample, std::span<const std::byte> bytes) {
  SoundReading reading = ReadSound(bytes);
  if (!reading.sound) {
    const std::string& reason = reading.refusal.reason;
    sample.failure = !reading.refusal.recognised() && reason.empty()
                         ? LeftOutKind::SampleNotSound
                         : LeftOutKind::SampleUnreadable;
    sample.detail = reason;
    return;
  }
  if (reading.sound->channels > 2) {
    sample.failure = LeftOutKind::SampleManyChannels;
    return;
  }
  sample.data = SampleData(std::move(reading.sound->values));
  reading.sound->values = {};
  sample.sound = std::move(reading.sound);
}

// Reads and decodes one file; sets `failure` when it cannot.
void ReadSample(FolderSample& sample) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(sample.path, error);
  if (!error && size == 0) {
    sample.detail = "empty file";
    return;
  }
  if (!error && size <= kLargestReadFile) {
    thread_local std::vector<std::byte> buffer;
    if (!ReadSmallFile(sample.path, size, buffer)) {
      sample.failure = LeftOutKind::SampleCannotOpen;
      return;
    }
    sample.modifiedTime = ModifiedSeconds(sample.path);
    DecodeSample(sample, std::span<const std::byte>(buffer.data(), size));
    return;
  }
  const std::optional<MappedFile> file = MappedFile::Open(sample.path);
  if (!file) {
    sample.failure = LeftOutKind::SampleCannotOpen;
    return;
  }
  sample.modifiedTime = file->modifiedTime();
  if (file->size() == 0) {
    sample.detail = "empty file";
    return;
  }
  if (file->size() > kLargestFile) {
    sample.detail = "files of 4 GiB or more are not read";
    return;
  }
  DecodeSample(sample, file->bytes());
}

void AddPlannedZone(Instrument& instrument, const PlannedZone& planned,
                    const std::vector<FolderSample*>& files) {
  const FolderSample& left = *files[planned.file];
  const DecodedSound& sound = *left.sound;
  const SoundMarkers& markers = sound.markers;
  const std::string name = Utf8ToWindows1252(left.stem);

  SampleRequest request;
  request.name = name;
  request.key.first = planned.file + 1;
  request.key.second = planned.right ? *planned.right + 1 : 0;
  request.sampleRate = sound.sampleRate;
  request.channels = planned.right ? 2 : sound.channels;
  request.frames = sound.frames;
  request.loopStart = markers.loop ? markers.loop->start : 0;
  request.loopEnd = markers.loop ? markers.loop->end : sound.frames;
  request.rootKey = planned.rootKey.value_or(markers.rootKey.value_or(kDefaultRootKey));
  // The file's fine tuning belongs to its own root key; a name that moves the key drops it.
  if (!markers.rootKey || *markers.rootKey == request.rootKey)
    request.pitchCorrection = markers.pitchCorrection;
  if (markers.rootKey && planned.rootKey && ClampRootKey(*markers.rootKey) != *planned.rootKey) {
    instrument.remarks += name + ": its name says key " + std::to_string(*planned.rootKey) +
                          ", the file's own root key is " + std::to_string(*markers.rootKey) +
                          "; the name is followed\r\n";
  }
  const SampleData data =
      planned.right ? SampleData::Planes(left.data, files[*planned.right]->data) : left.data;
  Sample* sample = AddSample(instrument, request, data);
  if (sample == nullptr) return;  // channels and values are checked when read

  Zone zone;
  InitZone(zone);
  SetZoneSample(zone, sample);
  zone.mapping.keyLow = planned.keyLow;
  zone.mapping.keyHigh = planned.keyHigh;
  zone.mapping.velLow = planned.velLow;
  zone.mapping.velHigh = planned.velHigh;
  if (request.channels == 2) zone.mapping.flags |= ZoneStereo;
  ApplyGenerator(zone, kGenSampleModes, markers.loop ? 1 : 0);
  AddZone(instrument, zone);
}

// The instruments of one folder's readable files. Returns the round robins left out.
std::size_t AddFolderInstruments(Library& library, Source& source, const std::string& folderName,
                                 std::vector<FolderSample*>& files, MiddleC middleC) {
  std::vector<FolderFile> planFiles;
  for (const FolderSample* sample : files) {
    FolderFile& file = planFiles.emplace_back();
    file.stem = sample->stem;
    file.name = SampleName::Parse(sample->stem);
    file.ownRootKey = sample->sound->markers.rootKey;
    file.channels = sample->sound->channels;
    file.frames = sample->sound->frames;
    file.sampleRate = sample->sound->sampleRate;
  }
  const FolderPlan plan = PlanFolder(planFiles, middleC);
  for (const PlannedInstrument& planned : plan.instruments) {
    const std::string name = Utf8ToWindows1252(planned.name.empty() ? folderName : planned.name);
    std::int64_t newest = 0;
    for (const PlannedZone& zone : planned.zones)
      newest = std::max(newest, files[zone.file]->modifiedTime);
    std::unique_ptr<Instrument> instrument = CreateNamedInstrument(source, name, newest);
    for (const PlannedZone& zone : planned.zones) AddPlannedZone(*instrument, zone, files);
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
  std::vector<FolderSample> samples;
  std::string listing;
  const std::vector<FolderFiles> folders = ListFolders(root, samples, listing);
  if (samples.empty()) {
    if (!listing.empty()) return ImportOutcome::CannotOpen("cannot open folder: " + listing);
    return ImportOutcome::NotRecognised("no sound files (WAV, AIFF, FLAC or Ogg) in the folder");
  }

  std::atomic<std::size_t> done{0};
  ForEachOnAllCores(samples.size(), [&](std::size_t i) {
    if (WorkCancelled(progress)) return false;
    ReadSample(samples[i]);
    ReportStep(progress, "Reading samples", ++done, samples.size());
    return true;
  });
  if (WorkCancelled(progress)) return ImportOutcome::Cancelled();

  ImportDrops drops;
  std::size_t roundRobins = 0;
  const std::string rootName = FolderName(root);
  for (const FolderFiles& folder : folders) {
    const std::string name = folder.path == root ? rootName : PathToUtf8(folder.path.filename());
    Source& source =
        CreateSource(library, Utf8ToWindows1252(PathToUtf8(folder.path)), Utf8ToWindows1252(name));
    source.section = &FindOrCreateSection(database, source.baseName);
    std::vector<FolderSample*> readable;
    for (const std::size_t i : folder.samples) {
      FolderSample& sample = samples[i];
      if (sample.sound)
        readable.push_back(&sample);
      else
        drops.Drop(PartKind::File, sample.failure, 1, sample.shown, sample.detail);
    }
    roundRobins += AddFolderInstruments(library, source, name, readable, settings.middleC);
    NumberCollections(source);
  }
  ImportOutcome outcome = drops.Finish(listing);
  NoteRoundRobins(outcome, roundRobins);
  return outcome;
}

}  // namespace tolvane
