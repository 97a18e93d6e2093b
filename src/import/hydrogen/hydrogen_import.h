#pragma once
// The Hydrogen drum kit importer: a kit's drumkit.xml is one drum instrument named after the
// kit. The n-th instrument of its list (counted by position, as Hydrogen's own MIDI input maps
// notes, not by its <id>) plays key 36 + n; each of its layers plays the velocities that
// Hydrogen would choose it for (hydrogen_velocity.h). Samples are read once each, all of them
// in parallel, from the kit's folder.

#include <cstdint>
#include <string_view>

#include "import/importer.h"
#include "import/planned_file.h"

namespace tolvane {

class InstrumentFiles;

// Plans a kit's drumkit.xml over a shared pool, named by the kit, else by `place.name`; its
// sample paths count from its folder and stay inside it.
std::unique_ptr<PlannedFile> PlanHydrogenKit(std::string_view text, const FilePlace& place,
                                             const InstrumentFiles& files, SamplePool& pool);

// The importer of the chain: a file whose root element is <drumkit_info>, whatever its name,
// read with its samples from its folder; the view's progress hears of the samples.
ImportOutcome ImportHydrogen(Library& library, Source& source, const ImportView& view);

// The kit in `text` with samples from `files` (paths relative to the kit's folder). Damaged,
// naming the first path, when layers are left out for samples that are missing, cannot be read
// or lie outside the kit's folder (absolute, or through ".."); Damaged without an instrument
// for text that is not a kit or leaves no layer to play. Muted instruments, instruments past
// key 127 and layers no velocity plays are left out as notes; a gain above 0 dB is played at
// 0 dB and noted. `progress` (may be null) hears of each sample decoded and may stop the
// import: Cancelled then, with nothing added.
ImportOutcome ImportHydrogenText(Library& library, Source& source, std::string_view text,
                                 std::int64_t modifiedTime, const InstrumentFiles& files,
                                 WorkProgress* progress = nullptr);

}  // namespace tolvane
