#pragma once
// The SFZ importer: one .sfz file is one instrument, each region it keeps one zone (stereo for
// a stereo sample). Samples are WAV, AIFF, FLAC or Ogg Vorbis files, each decoded once, all of
// them in parallel, however many regions share them (sample_pool.h).

#include <cstdint>
#include <string_view>

#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;

// Plans an SFZ file over a shared pool: one instrument, or one per program when its regions
// are chosen by loprog/hiprog (sfz_programs.h), named after the file and the program. Sample and
// #include paths count from its folder and may climb out of it.
std::unique_ptr<PlannedFile> PlanSfz(std::string_view text, const FilePlace& place,
                                     const InstrumentFiles& files, SamplePool& pool);

// The importer of the chain: a file whose name ends in ".sfz" (any case), read with its
// samples and included files from its folder; the view's progress hears of the samples.
ImportOutcome ImportSfz(Library& library, Source& source, const ImportView& view);

// The same for SFZ `text` whose files come from `files`. Damaged, with counts and the first
// path, when regions are left out for samples that are missing or cannot be read, or when an
// #include could not be followed; Damaged without an instrument when no region is left. What
// the instrument cannot hold (a gain above 0 dB, release triggers, later round robins, other
// key switches, closed controller gates, built-in generators) is approximated and noted.
// `progress` (may be null) hears of each sample decoded and may stop the import: Cancelled then,
// with nothing added.
ImportOutcome ImportSfzText(Library& library, Source& source, std::string_view text,
                            std::int64_t modifiedTime, const InstrumentFiles& files,
                            WorkProgress* progress = nullptr);

}  // namespace tolvane
