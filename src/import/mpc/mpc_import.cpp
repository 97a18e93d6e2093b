#include "import/mpc/mpc_import.h"

#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "import/archive_path.h"
#include "import/file_instrument.h"
#include "import/instrument_files.h"
#include "import/mpc/mpc_outcome.h"
#include "import/mpc/mpc_records.h"
#include "import/mpc/mpc_samples.h"
#include "import/mpc/mpc_zone.h"
#include "import/sample_pool.h"
#include "import/sample_zones.h"
#include "import/unread_formats.h"
#include "library/library.h"

namespace tolvane {
namespace {

constexpr int kPads = 128;

// The notes of pads 1 to 128 in a program without a PadNoteMap, as the device writes them:
// bank A holds the General MIDI drums.
constexpr std::array<std::uint8_t, kPads> kDefaultPadNotes = {
    37,  36,  42,  82,  40,  38,  46,  44,  48,  47,  45,  43,  49,  55,  51,  53,   // A
    54,  69,  81,  80,  65,  66,  76,  77,  56,  62,  63,  64,  73,  74,  71,  39,   // B
    52,  57,  58,  59,  60,  61,  67,  68,  70,  72,  75,  78,  79,  35,  41,  50,   // C
    83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,  96,  97,  98,   // D
    19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,   // E
    99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,  // F
    115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 0,   1,   2,    // G
    3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,   // H
};

bool IsZip(std::string_view bytes) {
  return bytes.starts_with("PK\x03\x04");
}

// How a program in MPC 3's JSON form is named: as its row of the table says.
std::string JsonProgramText() {
  const FileFormat& row = kMpcJsonProgram;
  return std::string(row.article) + ' ' + std::string(row.name) + " (" + std::string(row.unread) +
         ')';
}

// REQUIRES: 1 <= pad <= 128.
int PadNote(const MpcProgram& program, int pad) {
  const auto mapped = program.padNotes.find(pad);
  if (mapped != program.padNotes.end() && mapped->second >= 0 && mapped->second <= 127)
    return mapped->second;
  return kDefaultPadNotes[static_cast<std::size_t>(pad - 1)];
}

bool NamesASample(const MpcLayer& layer) {
  return !TrimTrailingSpaces(layer.sampleName).empty() || !layer.sampleFile.empty();
}

// The folder at or above `folder` (never above the top of `files`) that holds Expansion.xml;
// `folder` itself when none does.
std::string SearchTop(const InstrumentFiles& files, const std::string& folder) {
  std::string at = folder;
  while (true) {
    if (files.SampleSize(at + std::string(kMpcExpansionFile)) > 0) return at;
    if (at.empty()) return folder;
    at.pop_back();
    const std::size_t slash = at.rfind('/');
    at.resize(slash == std::string::npos ? 0 : slash + 1);
  }
}

// A program's zones over a pool, built once its samples are decoded.
class PlannedProgram : public PlannedFile {
 public:
  PlannedProgram(std::string name, std::int64_t modifiedTime)
      : name_(std::move(name)), modifiedTime_(modifiedTime) {}

  ImportOutcome Build(Library& library, Source& source, const SamplePool& pool) const override {
    if (!unread.empty()) return ImportOutcome::Unread(unread);
    if (!refused.empty()) return ImportOutcome::Damaged(refused);
    ImportDrops built = drops;
    std::unique_ptr<Instrument> instrument = CreateNamedInstrument(source, name_, modifiedTime_);
    const SampleRules rules{.part = PartKind::Layer, .ownLoop = OwnLoop::PlayedLoop};
    AddSampleZones(*instrument, layers, pool, rules, built);
    return FinishInstrument(library, std::move(instrument), built,
                            hadSamples ? "no layer left to play" : "no layer names a sample");
  }

  std::string unread;   // what the file is, when it is a program not read
  std::string refused;  // why the text is no program
  ImportDrops drops{PartKind::Layer};
  std::vector<SampleZonePlan> layers;
  bool hadSamples = false;

 private:
  std::string name_;  // Windows-1252
  std::int64_t modifiedTime_ = 0;
};

class ProgramPlanner {
 public:
  ProgramPlanner(const MpcProgram& program, PlannedProgram& plan, MpcSampleFinder& finder,
                 SamplePool& pool, std::string folder)
      : program_(program), plan_(plan), finder_(finder), pool_(pool), folder_(std::move(folder)) {}

  void Plan() {
    const bool drum = program_.type == MpcProgramType::Drum;
    // Instruments past the count are left over from larger programs; the device takes 128.
    const int count = drum ? kPads : std::clamp(program_.keygroups.value_or(kPads), 0, kPads);
    std::set<int> seen;
    for (const MpcInstrument& instrument : program_.instruments) {
      const bool sounds =
          std::any_of(instrument.layers.begin(), instrument.layers.end(),
                      [](const MpcLayer& l) { return l.active && NamesASample(l); });
      plan_.hadSamples = plan_.hadSamples || sounds;
      const int number = instrument.number;
      if (number < 1 || number > count || !seen.insert(number).second) {
        if (sounds) plan_.drops.Note(kMpcInstrumentPastCount);
        continue;
      }
      MpcKeys keys{instrument.lowNote, instrument.highNote, std::nullopt};
      if (drum) {
        const int note = PadNote(program_, number);
        keys = {note, note, note};
      }
      PlanInstrument(instrument, keys);
    }
  }

 private:
  void PlanInstrument(const MpcInstrument& instrument, const MpcKeys& keys) {
    // Cycle and random play one layer a hit: the first of each velocity range is kept.
    const bool oneAHit = instrument.play != MpcLayerPlay::Velocity;
    std::set<std::pair<int, int>> ranges;
    for (const MpcLayer& layer : instrument.layers) {
      if (!layer.active || layer.mute || !NamesASample(layer)) continue;
      if (oneAHit && !ranges.insert({layer.velStart, layer.velEnd}).second) {
        plan_.drops.Note(NoteKind::LaterRoundRobin);
        continue;
      }
      std::string name = layer.sampleName;
      if (TrimTrailingSpaces(name).empty()) name = FileStem(layer.sampleFile);
      if (IsFolderedSampleName(layer.sampleName)) {
        plan_.drops.Drop(PartKind::Layer, LeftOutKind::SampleOutside, 1, layer.sampleName);
        continue;
      }
      std::optional<std::string> path = finder_.Find(name);
      if (!path && !layer.sampleFile.empty()) path = finder_.Find(FileStem(layer.sampleFile));
      if (!path) {
        plan_.drops.Drop(PartKind::Layer, LeftOutKind::SampleNotFound, 1,
                         std::string(TrimTrailingSpaces(name)) + ".wav");
        continue;
      }
      SampleZonePlan& planned =
          plan_.layers.emplace_back(PlanMpcZone(program_, instrument, layer, keys, plan_.drops));
      planned.name = Utf8ToWindows1252(FileStem(*path));
      planned.subject = path->starts_with(folder_) ? path->substr(folder_.size()) : *path;
      planned.file = pool_.Add(std::move(*path));
    }
  }

  const MpcProgram& program_;
  PlannedProgram& plan_;
  MpcSampleFinder& finder_;
  SamplePool& pool_;
  std::string folder_;
};

}  // namespace

std::unique_ptr<PlannedFile> PlanMpcProgram(std::string_view text, const FilePlace& place,
                                            const InstrumentFiles& files, SamplePool& pool) {
  if (IsGzip(text)) {
    auto plan = std::make_unique<PlannedProgram>(place.name, place.modifiedTime);
    plan->unread = JsonProgramText();
    return plan;
  }
  const MpcReading reading = ReadMpcProgram(text);
  if (!reading.program) {
    auto plan = std::make_unique<PlannedProgram>(place.name, place.modifiedTime);
    plan->refused = "not an MPC program: " + reading.refusal;
    return plan;
  }
  const MpcProgram& program = *reading.program;
  // Named by the program, else after its file.
  std::string name = Utf8ToWindows1252(program.name);
  if (TrimTrailingSpaces(name).empty()) name = place.name;
  auto plan = std::make_unique<PlannedProgram>(std::move(name), place.modifiedTime);
  if (program.type == MpcProgramType::Other) {
    plan->unread = "an MPC " +
                   (program.typeName.empty() ? std::string("untyped") : program.typeName) +
                   " program (only keygroup and drum programs hold samples)";
    return plan;
  }
  const std::string folder = place.root + place.folder;
  MpcSampleFinder finder(files, folder, SearchTop(files, folder));
  ProgramPlanner(program, *plan, finder, pool, folder).Plan();
  return plan;
}

ImportOutcome ImportMpcProgramText(Library& library, Source& source, std::string_view text,
                                   std::int64_t modifiedTime, const InstrumentFiles& files,
                                   WorkProgress* progress) {
  FilePlace place;
  place.name = source.baseName;
  place.modifiedTime = modifiedTime;
  return ImportPlannedFile(&PlanMpcProgram, library, source, text, place, files, progress);
}

ImportOutcome ImportMpc(Library& library, Source& source, const ImportView& view) {
  if (EndsWithIgnoringCase(source.path, ".xpn"))
    return ImportMpcExpansion(library, source, view.bytes, view.modifiedTime, view.progress);
  const std::string_view text(reinterpret_cast<const char*>(view.bytes.data()), view.bytes.size());
  // Any other zip or gzip file is for the rows after this one.
  if (IsGzip(text)) {
    return EndsWithIgnoringCase(source.path, ".xpm") ? ImportOutcome::Unread(JsonProgramText())
                                                     : ImportOutcome::NotRecognised();
  }
  if (IsZip(text)) return ImportOutcome::NotRecognised();
  const std::filesystem::path path = PathFromUtf8(Windows1252ToUtf8(source.path));
  const DiskFiles files(path.parent_path().empty() ? std::filesystem::path(".")
                                                   : path.parent_path());
  return ImportMpcProgramText(library, source, text, view.modifiedTime, files, view.progress);
}

}  // namespace tolvane
