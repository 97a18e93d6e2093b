#include "import/bitwig/multisample_import.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "base/all_cores.h"
#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "database/sound_database.h"
#include "import/archive_path.h"
#include "import/bitwig/multisample_records.h"
#include "import/bitwig/multisample_zone.h"
#include "import/file_instrument.h"
#include "import/gain_folding.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/zip/zip_files.h"
#include "import/zone_on_sample.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr std::string_view kMappingName = "multisample.xml";
constexpr std::size_t kLargestMapping = std::size_t{64} << 20;

// One audio file, decoded once for every zone that plays it; its index is the key of the
// samples made from it.
struct FileSound {
  std::string path;  // normal, relative to the root
  std::size_t index = 0;
  SoundReading reading;
  SampleData data;
};

// Adds the zone of `sample` playing `file`; false, with `why` set, when it cannot.
std::optional<Zone> SampleZone(Instrument& instrument, const MultisampleSample& sample,
                               const FileSound& file, LeftOutKind& why) {
  if (!file.reading.sound) {
    why = UnreadSampleKind(file.reading);
    return std::nullopt;
  }
  const DecodedSound& sound = *file.reading.sound;
  if (sound.channels > 2) {
    why = LeftOutKind::SampleManyChannels;
    return std::nullopt;
  }
  const MultisampleCut cut = CutMultisample(sample, sound.frames, sound.markers.loop);
  // A sample's loop is its own: a zone that loops the file elsewhere plays a sample of its own,
  // named after the loop.
  std::string name = Utf8ToWindows1252(FileStem(file.path));
  const std::optional<SoundLoop>& own = sound.markers.loop;
  if (cut.looped && (!own || own->start != cut.loop.start || own->end != cut.loop.end))
    name += " " + std::to_string(cut.loop.start) + "-" + std::to_string(cut.loop.end);

  SampleRequest request;
  request.name = name;
  request.key.first = file.index;
  request.sampleRate = sound.sampleRate;
  request.channels = sound.channels;
  request.frames = cut.frames;  // the file's values are shared, its end left unplayed
  request.loopStart = cut.loop.start;
  request.loopEnd = cut.loop.end;
  request.rootKey = static_cast<std::uint32_t>(std::clamp(sample.root, 0, 127));
  std::optional<Zone> zone = ZoneOnSample(instrument, request, file.data,
                                          PlanMultisampleZone(sample).zone, cut.looped, why);
  if (zone)
    zone->mapping.startOffset = zone->mapping.startOffset2 =
        static_cast<std::int32_t>(std::min<std::uint64_t>(2 * std::uint64_t{cut.start}, INT32_MAX));
  return zone;
}

// Later round robins of a key and velocity range are left out before their files are read.
bool LaterRoundRobin(const MultisampleSample& sample,
                     std::vector<std::tuple<int, int, int, int>>& ranges) {
  if (!sample.roundRobin) return false;
  const auto range = std::tuple{sample.keyLow, sample.keyHigh, std::max(sample.velocityLow, 1),
                                sample.velocityHigh};
  if (std::find(ranges.begin(), ranges.end(), range) != ranges.end()) return true;
  ranges.push_back(range);
  return false;
}

ImportOutcome ImportRecords(Library& library, Source& source, const Multisample& multisample,
                            std::int64_t modifiedTime, const InstrumentFiles& files,
                            ImportDrops& drops) {
  // Each kept sample with the index of the file it plays.
  std::vector<std::pair<const MultisampleSample*, std::size_t>> kept;
  std::vector<FileSound> sounds;
  std::map<std::string, std::size_t> byPath;
  std::vector<std::tuple<int, int, int, int>> roundRobins;
  for (const MultisampleSample& sample : multisample.samples) {
    if (LaterRoundRobin(sample, roundRobins)) {
      drops.Note(NoteKind::LaterRoundRobin);
      continue;
    }
    const std::optional<std::string> path = ResolveInside("", sample.file);
    if (!path) {
      drops.Drop(PartKind::Zone,
                 sample.file.empty() ? LeftOutKind::SampleNotFound : LeftOutKind::SampleOutside, 1,
                 sample.file);
      continue;
    }
    const auto [known, added] = byPath.try_emplace(*path, sounds.size());
    if (added) sounds.push_back(FileSound{*path, sounds.size(), {}, {}});
    kept.emplace_back(&sample, known->second);
  }
  ForEachOnAllCores(sounds.size(), [&](std::size_t i) {
    FileSound& sound = sounds[i];
    sound.reading = files.ReadSample(sound.path);
    if (sound.reading.sound) sound.data = SampleData(std::move(sound.reading.sound->values));
    return true;
  });

  // Named by its `name` attribute, else after the file (or folder).
  std::unique_ptr<Instrument> instrument =
      multisample.name.empty()
          ? CreateFileInstrument(source, modifiedTime)
          : CreateNamedInstrument(source, Utf8ToWindows1252(multisample.name), modifiedTime);
  std::vector<Zone> zones;
  std::vector<GainRequest> gains;
  for (const auto& [sample, index] : kept) {
    LeftOutKind why = LeftOutKind::SampleNotFound;
    std::optional<Zone> zone = SampleZone(*instrument, *sample, sounds[index], why);
    if (!zone) {
      std::string detail;
      if (why == LeftOutKind::SampleUnreadable) detail = sounds[index].reading.refusal.reason;
      drops.Drop(PartKind::Zone, why, 1, sample->file, std::move(detail));
      continue;
    }
    gains.push_back({zone->sample, sample->gainDb});
    zones.push_back(*zone);
    if (sample->reverse) drops.Note(NoteKind::Reversed);
    if (sample->loop && sample->loop->mode == MultisampleLoopMode::PingPong)
      drops.Note(NoteKind::AlternatingLoop);
  }
  // Gains above 0 dB go into the samples' values; the zones keep the rest as attenuation.
  AddFoldedZones(*instrument, zones, gains, drops);
  if (instrument->zones.empty())
    return drops.Finish(multisample.samples.empty() ? "no sample" : "no sample left");
  AverageInstrument(*instrument);
  AddInstrument(library, std::move(instrument));
  return drops.Finish();
}

}  // namespace

ImportOutcome ImportMultisampleText(Library& library, Source& source, std::string_view text,
                                    std::int64_t modifiedTime, const InstrumentFiles& files) {
  ImportDrops drops(PartKind::Zone);
  const MultisampleReading reading = ReadMultisample(text);
  if (!reading.multisample) return ImportOutcome::Damaged(reading.refusal);
  return ImportRecords(library, source, *reading.multisample, modifiedTime, files, drops);
}

ImportOutcome ImportMultisampleArchive(Library& library, Source& source,
                                       std::span<const std::byte> bytes,
                                       std::int64_t modifiedTime) {
  const ZipOpening opening = ZipArchive::Open(bytes);
  if (!opening.archive) return ImportOutcome::Damaged(opening.refusal);
  const ZipArchive& archive = *opening.archive;
  ImportDrops drops;
  for (const RefusedEntry& refused : archive.refused()) {
    drops.Drop(PartKind::File, LeftOutKind::EntryRefused, 1, refused.name,
               std::string(EntryNameProblemText(refused.problem)));
  }
  const ZipFiles files(archive, "");
  if (files.Find(std::string(kMappingName)) == nullptr)
    return drops.Finish("no multisample.xml at the archive's root");
  const std::optional<std::string> text = files.ReadText(std::string(kMappingName));
  if (!text) return drops.Finish("multisample.xml cannot be unpacked");
  const MultisampleReading reading = ReadMultisample(*text);
  if (!reading.multisample) return drops.Finish(reading.refusal);
  return ImportRecords(library, source, *reading.multisample, modifiedTime, files, drops);
}

ImportOutcome ImportMultisample(Library& library, Source& source, const ImportView& view) {
  if (EndsWithIgnoringCase(source.path, ".multisample"))
    return ImportMultisampleArchive(library, source, view.bytes, view.modifiedTime);
  const std::string path = Windows1252ToUtf8(source.path);
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (FoldCase(name) != kMappingName) return ImportOutcome::NotRecognised();
  const std::filesystem::path folder = PathFromUtf8(path).parent_path();
  const DiskFiles files(folder.empty() ? std::filesystem::path(".") : folder);
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportMultisampleText(library, source, text, view.modifiedTime, files);
}

bool IsMultisampleFolder(const std::filesystem::path& folder) {
  return DiskFiles(folder).Find(std::string(kMappingName)).has_value();
}

ImportOutcome ImportMultisampleFolder(Library& library, SoundDatabase& database,
                                      std::string_view utf8Path) {
  std::filesystem::path folder =
      std::filesystem::absolute(PathFromUtf8(utf8Path)).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();
  Source& source = CreateSource(library, Utf8ToWindows1252(utf8Path),
                                Utf8ToWindows1252(PathToUtf8(folder.filename())));
  source.section = &FindOrCreateSection(database, source.baseName);
  const DiskFiles files(folder);
  ImportOutcome outcome;
  const std::optional<std::filesystem::path> mapping = files.Find(std::string(kMappingName));
  const std::optional<MappedFile> file = mapping ? MappedFile::Open(*mapping) : std::nullopt;
  if (!file || file->size() > kLargestMapping) {
    outcome = ImportOutcome::Damaged("multisample.xml cannot be read");
  } else {
    const std::string_view text(reinterpret_cast<const char*>(file->bytes().data()), file->size());
    outcome = ImportMultisampleText(library, source, text, file->modifiedTime(), files);
  }
  NumberCollections(source);
  return outcome;
}

}  // namespace tolvane
