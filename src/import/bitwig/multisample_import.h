#pragma once
// The Bitwig / PreSonus multisample importer: a ".multisample" zip archive, or a folder, holding
// "multisample.xml" and its WAV files. One multisample is one instrument, each <sample> kept one
// zone (stereo for a stereo file); every file is decoded once, all of them in parallel. Where a
// WorkProgress is given, it hears of each file decoded and may stop the import: Cancelled then,
// with nothing added.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;
struct SoundDatabase;

// Plans a multisample.xml over a shared pool: its sample paths count from `place.folder` and
// stay inside it.
std::unique_ptr<PlannedFile> PlanMultisample(std::string_view text, const FilePlace& place,
                                             const InstrumentFiles& files, SamplePool& pool);

// The importer of the chain: a file whose name ends in ".multisample" (any case) read as a zip
// archive, or a file named "multisample.xml" read with the files of its folder.
ImportOutcome ImportMultisample(Library& library, Source& source, const ImportView& view);

// The multisample in the zip archive `bytes`. Damaged without an instrument when the archive
// cannot be read or holds no multisample.xml at its root; entries whose names are refused are
// named as files left out.
ImportOutcome ImportMultisampleArchive(Library& library, Source& source,
                                       std::span<const std::byte> bytes, std::int64_t modifiedTime,
                                       WorkProgress* progress = nullptr);

// The multisample of `text` (multisample.xml) whose files come from `files`, by paths relative
// to its root. Damaged, naming the first path, when samples are missing, cannot be read or lie
// outside the root; Damaged without an instrument when no sample is left or the text is not a
// multisample. What the instrument cannot hold (gains above 0 dB, reverse playback, alternating
// loops, later round robins) is approximated and noted.
ImportOutcome ImportMultisampleText(Library& library, Source& source, std::string_view text,
                                    std::int64_t modifiedTime, const InstrumentFiles& files,
                                    WorkProgress* progress = nullptr);

// Whether `folder` holds a "multisample.xml" (any case): such a folder is a multisample, not a
// folder of samples.
bool IsMultisampleFolder(const std::filesystem::path& folder);

// Imports the multisample folder at `utf8Path` as one source named after the folder.
ImportOutcome ImportMultisampleFolder(Library& library, SoundDatabase& database,
                                      std::string_view utf8Path, WorkProgress* progress = nullptr);

}  // namespace tolvane
