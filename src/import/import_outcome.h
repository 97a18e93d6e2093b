#pragma once
// What importing one file came to, as a value the importers, ImportFile and the programs share.
// What went wrong is told by kinds (what was left out, why, and what the instrument file could
// only approximate), never by texts to be read back; outcome_text.h words them for people. Both
// programs name every file that was not imported whole, and every note: the command-line tool
// on stderr, the window in its status line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvane {

enum class ImportStatus {
  NotRecognised,  // not the importer's format (for ImportFile: no importer's)
  Imported,       // everything the file holds was imported, perhaps with notes
  Damaged,        // recognised, but part of it could not be read; what was read stays imported
  CannotOpen,     // ImportFile only: the file could not be opened or mapped
  Cancelled,      // the import was stopped on request; what it made is for throwing away
  Unread,         // a format the converter knows but does not read; nothing was imported
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
// names them. Kinds only one format meets are that format's own (FormatDamage).
enum class LeftOutKind : std::uint8_t {
  // A sample file an instrument names (SFZ, Decent Sampler, ...); subject: its path.
  SampleNotFound,
  SampleCannotOpen,
  SampleNotSound,      // no reader recognises it
  SampleUnreadable,    // detail: why
  SampleManyChannels,  // more than two
  SampleNotKept,       // the library refused it
  SampleOutside,       // its path leaves the instrument's folder or archive
  // An entry of a zip archive whose name is not taken; subject: the name, detail: why.
  EntryRefused,
  // Sample data of a bank (SoundFont, DLS) asked for far more often than it could need, or
  // that the library cannot hold.
  SampleDataTooOften,
  SampleLibraryRefused,
  // A record of the file that cannot be read; detail: why, as the format's reader words it.
  RecordBroken,
  // Damage to the records of one format, worded by it: `LeftOut::format` says which.
  Format,
};

struct LeftOut;
struct ImportNote;

// A kind of damage only one format's reader meets, defined beside that reader as an inline
// constant, whose address names the kind wherever it is used. It says why the parts were left
// out: `text` ("generators outside the 'igen' chunk"), or `words` where the part's subject or
// detail belong in it.
struct FormatDamage {
  std::string_view text{};
  std::string (*words)(const LeftOut& leftOut) = nullptr;
};

// A kind of approximation only one format meets, defined beside its reader like FormatDamage.
// The note reads "COUNT NOUNs TEXT" ("2 layers left out: played at no velocity"), the noun the
// note's part unless `noun` names another; or `words` make the whole note.
struct FormatNote {
  std::string_view text{};
  std::string_view noun{};
  std::string (*words)(const ImportNote& note) = nullptr;
};

// Parts of one kind left out for one reason, counted, named by the first one met.
struct LeftOut {
  PartKind part = PartKind::Zone;
  LeftOutKind kind = LeftOutKind::SampleNotFound;
  std::size_t count = 1;
  std::string subject;
  std::string detail;
  const FormatDamage* format = nullptr;  // set exactly when `kind` is Format
};

// What an instrument file cannot hold, approximated on import: told, but not damage.
// Kinds only one format meets are that format's own (FormatNote).
enum class NoteKind : std::uint8_t {
  GainAboveZero,    // beyond the sample's peak: played quieter; subject: the most lost, in dB
  ReleaseTrigger,   // left out
  LaterRoundRobin,  // left out: only the first is kept
  LaterTake,        // a sample file of a folder left out: only the first round robin is kept
  Reversed,         // played forwards
  AlternatingLoop,  // a ping-pong loop, played as a forward loop
  Format,           // one format's own kind: `ImportNote::format` says which
};

struct ImportNote {
  NoteKind kind = NoteKind::GainAboveZero;
  std::size_t count = 1;  // of `part`
  std::string subject;
  PartKind part = PartKind::Region;    // what the format calls the parts noted
  const FormatNote* format = nullptr;  // set exactly when `kind` is Format
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
  // `what`: the format with its article and why it is not read ("an MP3 file (MPEG audio is
  // not read)").
  static ImportOutcome Unread(std::string what) {
    return {ImportStatus::Unread, std::move(what), {}, {}};
  }

  // The file was the importer's own, whole or damaged (or its import was cancelled), or its
  // format is known not to be read: the importer chain ends there.
  bool recognised() const {
    return status == ImportStatus::Imported || status == ImportStatus::Damaged ||
           status == ImportStatus::Cancelled || status == ImportStatus::Unread;
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
  // The same for a part left out as another reader found it (an #include, say).
  void Drop(LeftOut leftOut) { Add(std::move(leftOut)); }
  // The same for damage of one format's own kind.
  void Drop(PartKind part, const FormatDamage& kind, std::size_t count = 1,
            std::string subject = {}, std::string detail = {});
  // Adds what another outcome left out and noted (a part of a container, say).
  void Gather(const ImportOutcome& outcome);
  // `count` parts were approximated as `kind` says.
  void Note(NoteKind kind, std::size_t count = 1, std::string subject = {});
  // The same for an approximation of one format's own kind.
  void Note(const FormatNote& kind, std::size_t count = 1, std::string subject = {});

  bool empty() const { return leftOut_.empty(); }
  std::size_t count() const;

  // Imported when nothing was dropped and `damage` is empty; otherwise Damaged, with `damage`
  // as the reason. The notes go with either.
  ImportOutcome Finish(std::string damage = {}) const;

 private:
  void Add(LeftOut leftOut);
  void Add(ImportNote note);

  PartKind notedPart_ = PartKind::Region;
  std::vector<LeftOut> leftOut_;
  std::vector<ImportNote> notes_;
};

}  // namespace tolvane
