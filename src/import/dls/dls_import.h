#pragma once
// The DLS importer (Downloadable Sounds banks, levels 1 and 2): every instrument of a bank
// becomes one instrument of the library, each region one zone, playing its wave from the pool.
// Its articulation reaches the zone's volume envelope, pan, gain and filter; modulation by
// LFOs, velocity and controllers is left out and said in the outcome's reason.

#include "import/importer.h"

namespace tolvane {

// NotRecognised when the file is not a RIFF "DLS " form. Damaged when the bank has no
// instrument list or wave pool, when its chunks run past their lists or the file (the
// instruments read before are kept), or when regions had to be left out (their wave link,
// pool table cue, wave or sample chunk cannot be read), with the reasons counted. Imported
// otherwise. Either way the reason also counts what a zone cannot hold (modulated connection
// blocks, gain above what a sample's peak allows), which does not make the bank damaged. Gains
// above 0 dB go into the samples' values (FoldGains).
ImportOutcome ImportDls(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
