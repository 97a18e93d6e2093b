#include "import/bitwig/multisample_import.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/mapped_file.h"
#include "base/paths.h"
#include "database/sound_database.h"
#include "import/archive_path.h"
#include "import/bitwig/multisample_records.h"
#include "import/bitwig/multisample_zone.h"
#include "import/file_instrument.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "import/zip/zip_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr std::string_view kMappingName = "multisample.xml";
constexpr std::size_t kLargestMapping = std::size_t{64} << 20;

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

// A multisample's zones over a pool, built once its samples are decoded.
class PlannedMultisample : public PlannedFile {
 public:
  PlannedMultisample(const FilePlace& place, std::string name)
      : place_(place), name_(std::move(name)) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (!refused.empty()) return ImportOutcome::Damaged(refused);
    ImportDrops built = drops;
    // Named by its `name` attribute, else after the file (or folder).
    std::unique_ptr<Instrument> instrument =
        CreateNamedInstrument(source, name_.empty() ? place_.name : name_, place_.modifiedTime);
    // A zone that loops its file elsewhere than the file's loop plays a sample of its own.
    const SampleRules rules{
        .part = PartKind::Zone, .ownLoop = OwnLoop::PlayedLoop, .fileTuning = false};
    AddSampleZones(*instrument, plans, pool, rules, built);
    return FinishInstrument(library, std::move(instrument), built,
                            hadSamples ? "no sample left" : "no sample");
  }

  std::string refused;  // why the text is no multisample
  ImportDrops drops{PartKind::Zone};
  std::vector<SampleZonePlan> plans;
  bool hadSamples = false;

 private:
  FilePlace place_;
  std::string name_;  // Windows-1252
};

}  // namespace

std::unique_ptr<PlannedFile> PlanMultisample(std::string_view text, const FilePlace& place,
                                             const InstrumentFiles& /*files*/, SamplePool& pool) {
  const MultisampleReading reading = ReadMultisample(text);
  if (!reading.multisample) {
    auto refused = std::make_unique<PlannedMultisample>(place, std::string());
    refused->refused = reading.refusal;
    return refused;
  }
  const Multisample& multisample = *reading.multisample;
  auto plan = std::make_unique<PlannedMultisample>(place, Utf8ToWindows1252(multisample.name));
  plan->hadSamples = !multisample.samples.empty();
  std::vector<std::tuple<int, int, int, int>> roundRobins;
  for (const MultisampleSample& sample : multisample.samples) {
    if (LaterRoundRobin(sample, roundRobins)) {
      plan->drops.Note(NoteKind::LaterRoundRobin);
      continue;
    }
    // Paths stay inside the multisample's folder or archive.
    std::optional<std::string> path = ResolveInside(place.folder, sample.file);
    if (!path) {
      plan->drops.Drop(
          PartKind::Zone,
          sample.file.empty() ? LeftOutKind::SampleNotFound : LeftOutKind::SampleOutside, 1,
          sample.file);
      continue;
    }
    SampleZonePlan& planned = plan->plans.emplace_back(PlanMultisampleZone(sample));
    planned.name = Utf8ToWindows1252(FileStem(*path));
    planned.subject = sample.file;
    planned.file = pool.Add(place.root + *path);
  }
  return plan;
}

ImportOutcome ImportMultisampleText(Library& library, Source& source, std::string_view text,
                                    std::int64_t modifiedTime, const InstrumentFiles& files,
                                    WorkProgress* progress) {
  FilePlace place;
  place.name = source.baseName;
  place.modifiedTime = modifiedTime;
  return ImportPlannedFile(&PlanMultisample, library, source, text, place, files, progress);
}

ImportOutcome ImportMultisampleArchive(Library& library, Source& source,
                                       std::span<const std::byte> bytes, std::int64_t modifiedTime,
                                       WorkProgress* progress) {
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
  // What the archive refused is told first, then what the multisample left out.
  ImportOutcome outcome =
      ImportMultisampleText(library, source, *text, modifiedTime, files, progress);
  if (outcome.status == ImportStatus::Cancelled) return outcome;
  drops.Gather(outcome);
  return drops.Finish(outcome.reason);
}

ImportOutcome ImportMultisample(Library& library, Source& source, const ImportView& view) {
  if (EndsWithIgnoringCase(source.path, ".multisample"))
    return ImportMultisampleArchive(library, source, view.bytes, view.modifiedTime, view.progress);
  const std::string path = Windows1252ToUtf8(source.path);
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (FoldCase(name) != kMappingName) return ImportOutcome::NotRecognised();
  const std::filesystem::path folder = PathFromUtf8(path).parent_path();
  const DiskFiles files(folder.empty() ? std::filesystem::path(".") : folder);
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  return ImportMultisampleText(library, source, text, view.modifiedTime, files, view.progress);
}

bool IsMultisampleFolder(const std::filesystem::path& folder) {
  return DiskFiles(folder).Find(std::string(kMappingName)).has_value();
}

ImportOutcome ImportMultisampleFolder(Library& library, SoundDatabase& database,
                                      std::string_view utf8Path, WorkProgress* progress) {
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
    outcome = ImportMultisampleText(library, source, text, file->modifiedTime(), files, progress);
  }
  NumberCollections(source);
  return outcome;
}

}  // namespace tolvane
