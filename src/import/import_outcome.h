#pragma once
// What importing one file came to, as a value the importers, ImportFile and the programs share.
// What went wrong is told by kinds (what was left out, why, and what the instrument file could
// only approximate), never by texts to be read back; outcome_text.h words them for people. Both
// programs name every file that was not imported whole, and every note: the command-line tool
// on stderr, the window in its status line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tolvane {

enum class ImportStatus {
  NotRecognised,  // not the importer's format (for ImportFile: no importer's)
  Imported,       // everything the file holds was imported, perhaps with notes
  Damaged,        // recognised, but part of it could not be read; what was read stays imported
  CannotOpen,     // ImportFile only: the file could not be opened or mapped
  Cancelled,      // the import was stopped on request; what it made is for throwing away
};

// The kind of part an importer leaves out. An #include not followed is named without a count.
enum class PartKind : std::uint8_t {
  Zone,
  Region,
  Instrument,
  Group,
  Include,
  File,
  Articulation,
  Layer,  // of a drum kit's instrument (Hydrogen)
};

// Why a part was left out: damage to the file, or to a file it names. `subject` (a sample
// path) and `detail` (the named file's own reason, or a decoder's) are given where the kind
// names them.
enum class LeftOutKind : std::uint8_t {
  // A sample file an instrument names (SFZ); subject: its path.
  SampleNotFound,
  SampleCannotOpen,
  SampleNotSound,      // no reader recognises it
  SampleUnreadable,    // detail: why
  SampleManyChannels,  // more than two
  SampleNotKept,       // the library refused it
  SampleOutside,       // its path leaves the instrument's folder or archive
  // An entry of a zip archive whose name is not taken; subject: the name, detail: why.
  EntryRefused,
  // Records of a bank (SoundFont) outside their chunk, or asked for too often.
  GeneratorsOutside,
  BagOutside,
  SampleHeaderOutside,
  StereoLinkOutside,
  SampleDataOutside,
  SampleDataTooOften,
  SampleLibraryRefused,
  StreamUnreadable,  // a compressed sample; detail: why
  // Entries of an instrument file (SiFi) outside their group, or asked for too often.
  EntryOutsideGroup,
  ZoneEntryTooOften,
  SampleNot16Bit,
  GroupHeaderCut,
  SampleEntryOutsideGroup,
  SampleWithoutFrameSize,
  SampleDataOutsideGroup,
  SampleDataTooOftenInGroup,
  // An #include that could not be followed (SFZ); subject: its path where there is one.
  IncludeNotFound,
  IncludeCycle,
  IncludeTooDeep,
  IncludesTooMany,
  TextTooLong,
  // A record of a bank (DLS) that cannot be read; detail: why, as its reader words it.
  RecordBroken,
};

// Parts of one kind left out for one reason, counted, named by the first one met.
struct LeftOut {
  PartKind part = PartKind::Zone;
  LeftOutKind kind = LeftOutKind::SampleNotFound;
  std::size_t count = 1;
  std::string subject;
  std::string detail;
};

// What an instrument file cannot hold, approximated on import: told, but not damage.
enum class NoteKind : std::uint8_t {
  GainAboveZero,     // beyond the sample's peak: played quieter; subject: the most lost, in dB
  ReleaseTrigger,    // left out
  LaterRoundRobin,   // left out: only the first is kept
  OtherKeySwitch,    // left out: only the default switch is kept
  ControllerGate,    // left out: closed at the controllers' start values
  BuiltInGenerator,  // left out; subject: the generator ("*noise")
  LaterTake,         // a sample file of a folder left out: only the first round robin is kept
  Modulation,        // connections (DLS) left out: LFO, velocity or controller sources
  Reversed,          // played forwards
  AlternatingLoop,   // a ping-pong loop, played as a forward loop
  MutedInstrument,   // instruments of a drum kit (Hydrogen) muted in it: left out
  UnreachedLayer,    // layers of a drum kit's instrument that no velocity plays: left out
  KeyPastRange,      // instruments of a drum kit past key 127: left out
};

struct ImportNote {
  NoteKind kind = NoteKind::GainAboveZero;
  std::size_t count = 1;  // of `part`
  std::string subject;
  PartKind part = PartKind::Region;  // what the format calls the parts noted
};

struct ImportOutcome {
  ImportStatus status = ImportStatus::NotRecognised;
  // For people, in UTF-8, from the reader of the file's format: why the file could not be
  // opened, why it was not recognised ("WAV format 0x0055 (MPEG Layer 3) is not supported";
  // may be empty), or the damage to the file as a whole. Parts left out are in `leftOut`.
  std::string reason;
  std::vector<LeftOut> leftOut;   // in the order first met
  std::vector<ImportNote> notes;  // in the order first met; also with Imported

  static ImportOutcome NotRecognised(std::string reason = {}) {
    return {ImportStatus::NotRecognised, std::move(reason), {}, {}};
  }
  static ImportOutcome Imported() { return {ImportStatus::Imported, {}, {}, {}}; }
  static ImportOutcome Damaged(std::string reason) {
    return {ImportStatus::Damaged, std::move(reason), {}, {}};
  }
  static ImportOutcome CannotOpen(std::string reason) {
    return {ImportStatus::CannotOpen, std::move(reason), {}, {}};
  }
  static ImportOutcome Cancelled() { return {ImportStatus::Cancelled, {}, {}, {}}; }

  // The file was the importer's own, whole or damaged (or its import was cancelled): the
  // importer chain ends there.
  bool recognised() const {
    return status == ImportStatus::Imported || status == ImportStatus::Damaged ||
           status == ImportStatus::Cancelled;
  }
  // Imported whole; there may be notes.
  bool imported() const { return status == ImportStatus::Imported; }
};

// What an importer had to leave out or approximate, counted by kind so that a bank with a
// thousand broken zones is named in one line. An importer drops what it cannot read, carries
// on with the rest, and ends with Finish().
class ImportDrops {
 public:
  ImportDrops() = default;
  // Notes count `notedPart`s: what the format calls the parts a note is about.
  explicit ImportDrops(PartKind notedPart) : notedPart_(notedPart) {}

  // `count` parts of kind `part` went for `kind`; the first such drop gives subject and detail.
  void Drop(PartKind part, LeftOutKind kind, std::size_t count = 1, std::string subject = {},
            std::string detail = {});
  // `count` parts were approximated as `kind` says.
  void Note(NoteKind kind, std::size_t count = 1, std::string subject = {});

  bool empty() const { return leftOut_.empty(); }
  std::size_t count() const;

  // Imported when nothing was dropped and `damage` is empty; otherwise Damaged, with `damage`
  // as the reason. The notes go with either.
  ImportOutcome Finish(std::string damage = {}) const;

 private:
  PartKind notedPart_ = PartKind::Region;
  std::vector<LeftOut> leftOut_;
  std::vector<ImportNote> notes_;
};

}  // namespace tolvane
