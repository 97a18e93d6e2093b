#pragma once
// What importing one file came to, as a value the importers, ImportFile and the programs share.
// Both programs name every file that was not imported whole, with the reason (outcome_text.h):
// the command-line tool on stderr, the window in its status line.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvane {

enum class ImportStatus {
  NotRecognised,  // not the importer's format (for ImportFile: no importer's)
  Imported,       // everything the file holds was imported
  Damaged,        // recognised, but part of it could not be read; what was read stays imported
  CannotOpen,     // ImportFile only: the file could not be opened or mapped
};

struct ImportOutcome {
  ImportStatus status = ImportStatus::NotRecognised;
  // For people, in UTF-8: why the file was damaged or could not be opened, and for a file not
  // recognised whatever is worth saying ("WAV format 0x0055 (MPEG Layer 3) is not supported").
  std::string reason;

  static ImportOutcome NotRecognised(std::string reason = {}) {
    return {ImportStatus::NotRecognised, std::move(reason)};
  }
  static ImportOutcome Imported() { return {ImportStatus::Imported, {}}; }
  static ImportOutcome Damaged(std::string reason) {
    return {ImportStatus::Damaged, std::move(reason)};
  }
  static ImportOutcome CannotOpen(std::string reason) {
    return {ImportStatus::CannotOpen, std::move(reason)};
  }

  // The file was the importer's own, whole or damaged: the importer chain ends there.
  bool recognised() const {
    return status == ImportStatus::Imported || status == ImportStatus::Damaged;
  }
  bool imported() const { return status == ImportStatus::Imported; }
};

// The parts of a recognised file an importer had to leave out, counted by kind and reason, so
// that a bank with a thousand broken zones is named in one line. An importer drops what it
// cannot read, carries on with the rest, and ends with Finish().
class ImportDrops {
 public:
  // `what` is the singular noun of what was left out ("zone", "instrument"); `reason` says why,
  // for people ("its sample data lies outside the 'smpl' chunk"); `count` such parts went.
  void Drop(std::string_view what, std::string_view reason, std::size_t count = 1);

  bool empty() const { return entries_.empty(); }
  std::size_t count() const;

  // Imported when nothing was dropped and `damage` is empty; otherwise Damaged, with `damage`
  // first and then "3 zones left out: REASON; 1 instrument left out: REASON".
  ImportOutcome Finish(std::string_view damage = {}) const;

 private:
  struct Entry {
    std::string what;
    std::string reason;
    std::size_t count = 0;
  };
  std::vector<Entry> entries_;  // in the order first met
};

}  // namespace tolvane
