#pragma once
// Writes an export set as one SiFi file: the file header, then per group its group chunk and one
// "SiDp" chunk per instrument. Single-instrument and collection files differ only in the set.
// Every sample of a group's SampleGroup is written, also one no exported zone plays; a zone that
// plays no sample of its instrument's group is left out, as the file could not name its sample.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/work_progress.h"
#include "export/export_set.h"
#include "export/loop_check.h"
#include "export/sample_fitting.h"
#include "export/sound_analysis.h"

namespace tolvane {

enum class ExportError {
  kNone,
  kTooManyGroups,     // more groups than one file can lay out
  kGroupTooLarge,     // a group's tables do not fit the 16-bit offsets
  kFileTooLarge,      // the file would not fit the 32-bit lengths
  kBadSample,         // a sample holds fewer values than its frame count says
  kCannotCreateFile,  // the file (its temporary twin) could not be created
  kWriteFailed,       // writing, syncing or renaming into place failed
  kCancelled,         // the work was cancelled; no file was written
};

// A sample group written as several group chunks, since its tables would not fit one.
struct GroupSplit {
  std::string firstInstrument;  // Windows-1252, as the list shows it
  std::size_t parts = 0;
  std::uint64_t duplicatedBytes = 0;  // sample data written more than once
};

struct ExportResult {
  ExportError error = ExportError::kNone;
  // For people, without the path: "group of Piano: instrument Piano alone needs 65540 bytes of
  // tables (860 zones), at most 65535 fit".
  std::string reason;
  std::vector<GroupSplit> splits;   // of a file written
  std::vector<ClickingLoop> loops;  // looped samples that click, set by the export commands
  // The system's error behind kCannotCreateFile and kWriteFailed: it tells whether the folder
  // refuses every file or only this one.
  std::error_code systemError;
  // Instruments the sampler cannot tell apart (NameClashText, Windows-1252), set likewise.
  std::vector<std::string> clashes{};
  std::vector<SoundNote> sounds{};  // what the sound options found, set likewise
  // What the export's options saved (FitExportSet), set likewise.
  FitSavings saved{};

  bool ok() const { return error == ExportError::kNone; }
  explicit operator bool() const { return ok(); }
};

// Lays the set out in memory; `out` receives the file's bytes (empty on failure). Sets each
// written sample's `exportIndex` to its place in its group's sample table.
ExportResult SerializeExportSet(const ExportSet& set, std::vector<std::byte>& out);

// Writes the set to `path`, replacing an existing file only once the new one is complete: on any
// failure no file is left behind and an existing file keeps its content. `progress` (may be
// null) hears of every group written (kWritingGroupsStep) and may cancel the write.
ExportResult WriteExportSet(const ExportSet& set, const std::filesystem::path& path,
                            WorkProgress* progress = nullptr);

inline constexpr std::string_view kWritingGroupsStep = "writing groups";

}  // namespace tolvane
