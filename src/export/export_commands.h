#pragma once
// The two export commands without their dialogs: the window asks for the file or folder and
// remembers it, the command-line tool takes it from its arguments, and both hand over the
// instruments of the checked rows in list order.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/loop_check.h"
#include "export/sample_fitting.h"
#include "export/sifi_writer.h"
#include "export/sound_analysis.h"
#include "library/library.h"

namespace tolvane {

// How an export writes what it writes; the defaults write the library's samples as they are.
struct ExportOptions {
  // Each group's samples scaled by one factor so that the group's loudest value reaches this
  // level in dBFS, up or down (NormalizeExportSet).
  std::optional<double> normalizeDbfs;
  // Loops that click are named; with kSnap their points are also moved to zero crossings in
  // the written file (CheckExportLoops).
  LoopMending loops = LoopMending::kNameOnly;
  // Sustain loops sought and root keys measured in the written samples (AnalyseSounds).
  SoundOptions sounds{};
  // Samples written smaller (FitExportSet): quiet ends cut below this level in dBFS, stereo
  // samples stored as mono, samples above this rate resampled to it.
  std::optional<double> trimDbfs{};
  MonoFold mono{MonoFold::kNone};
  std::optional<std::uint32_t> rate{};

  SampleFitting fitting() const { return {trimDbfs, mono, rate}; }
};

inline constexpr double kDefaultNormalizeDbfs = -1;
// The lowest level a group is normalised to: below it the export names instruments as quiet.
inline constexpr double kLowestNormalizeDbfs = -60;

// Writes the checked instruments into one collection file. Groups follow the order of their
// first checked instrument, instruments list order. Instruments without samples are left out;
// with nothing left the file holds no groups. `progress` (may be null) hears of each group
// written and may cancel: then no file is left (kCancelled). Looped samples that click are in
// the result's `loops`, mended in the file when `options.loops` asks (CheckExportLoops); checked
// instruments of one SoundID or one shown name are in its `clashes` (FindNameClashes); what the
// sound options found is in its `sounds` (AnalyseSounds), before any normalising.
ExportResult ExportCollection(std::span<const Instrument* const> checked,
                              const std::filesystem::path& file, WorkProgress* progress = nullptr,
                              const ExportOptions& options = {});

struct SingleExportResult {
  std::size_t marked = 0;  // groups that held a checked instrument
  std::vector<std::filesystem::path> written;
  std::vector<GroupSplit> splits;   // groups written as several, over all files written
  std::vector<ClickingLoop> loops;  // looped samples that click, over all files written
  std::vector<SoundNote> sounds;    // what the sound options found, over all files written
  FitSavings saved;                 // over all files written
  // Checked instruments the sampler cannot tell apart (NameClashText, Windows-1252).
  std::vector<std::string> clashes;
  // One UTF-8 text per file that failed, naming file and reason ("PATH: REASON"); or, when the
  // folder refused a file (folderRefused), one text naming the folder and the reason.
  std::vector<std::string> failures;
  // Why a file could not be created, when the reason holds for every file of the folder (no
  // permission, a read-only or full file system, the folder gone): the export stopped there.
  std::error_code folderError;

  bool folderRefused() const { return static_cast<bool>(folderError); }
  // Cancelled before the end: the files this export made are gone again (`written` is empty);
  // files it replaced keep their new content.
  bool cancelled = false;

  bool ok() const { return failures.empty() && marked > 0 && !cancelled; }
};

// Writes one single-instrument file per sample group that holds a checked instrument, with all
// the group's instruments, into `folder`, named after the group's first instrument. Groups are
// visited by source, then in the source's group order. Marks the groups in `exportMark` as the
// status line does. The names are made safe for a file system, and a name already used in this
// export gets "_2", "_3", ... so that no file of the export replaces another. `progress` (may be
// null) hears of each file written (kWritingFilesStep) and may cancel the export. Loops and the
// sound options as ExportCollection does. A file the folder refuses ends the export: the next would
// fail alike.
SingleExportResult ExportSingleInstruments(Library& library,
                                           std::span<const Instrument* const> checked,
                                           const std::filesystem::path& folder,
                                           WorkProgress* progress = nullptr,
                                           const ExportOptions& options = {});

inline constexpr std::string_view kWritingFilesStep = "writing files";

// An instrument name (Windows-1252) as a file name (UTF-8) that stays inside its folder:
// \ / : * ? " < > | and control characters become "_", "", "." or ".." becomes "_", and a
// leading "." becomes "_" so that the file is not hidden.
std::string SafeFileName(std::string_view name);

}  // namespace tolvane
