#pragma once
// The Logic EXS24 / Sampler instrument importer: one .exs file, little- or big-endian, is one
// instrument named after the file, each zone it keeps one zone (stereo for a stereo sample).
// Samples are WAV, AIFF or CAF files found where the file says or near it (exs_samples.h), each
// decoded once, all of them in parallel.

#include <cstdint>
#include <memory>
#include <string_view>

#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;

// Plans the .exs file `bytes` over a shared pool; its samples are looked for from its folder,
// `place.root + place.folder`, and by absolute paths. A file that is no EXS instrument builds
// nothing and is NotRecognised.
std::unique_ptr<PlannedFile> PlanExs(std::string_view bytes, const FilePlace& place,
                                     const InstrumentFiles& files, SamplePool& pool);

// The importer of the chain: a file whose first chunk has an EXS magic, its samples looked for
// on disk from its folder and the folder above.
ImportOutcome ImportExs(Library& library, Source& source, const ImportView& view);

// The same for the bytes of an .exs file in the folder `place.folder` of `files`. Damaged, with
// counts and the first name, when zones are left out for samples that are missing or cannot be
// read or for broken records, or when the file is cut short (what came before is kept); Damaged
// without an instrument when no zone is left. What the instrument cannot hold (release-triggered
// groups, later round robins, reverse playback, loops that do not run forwards, filters other
// than low-pass, gains above 0 dB) is approximated and noted. `progress` (may be null) hears of
// each sample decoded and may stop the import: Cancelled then, with nothing added.
ImportOutcome ImportExsBytes(Library& library, Source& source, std::span<const std::byte> bytes,
                             const FilePlace& place, const InstrumentFiles& files,
                             WorkProgress* progress = nullptr);

}  // namespace tolvane
