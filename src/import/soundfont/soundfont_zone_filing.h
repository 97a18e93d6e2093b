#pragma once
// Files a bag's zone into an instrument: the bag's planned samples join the instrument, and a
// zone that plays one sample over the same ranges as a zone there with mirrored panning folds
// into it as the other half of a stereo or dual zone.

#include "import/import_outcome.h"
#include "import/soundfont/soundfont_samples.h"
#include "library/library.h"

namespace tolvane {

enum class Fold { None, Stereo, Dual };

// How `added`, about to play a sample of `channels` channels, folds into `existing`, which plays
// the same sample. `existing` already folded takes nothing more.
Fold FoldOf(const Zone& existing, const Zone& added, std::uint32_t channels);

// Adds the samples `samples` planned for the bag to `instrument`; the last one, which the bag's
// zone plays. Null when the library does not take them: the zone is then left out, counted in
// `drops`.
Sample* AddBagSamples(Instrument& instrument, BankSamples& samples, ImportDrops& drops);

// Adds the samples `samples` planned for the bag to `instrument`, then folds `zone` into the
// first zone there it folds into (FoldOf) or adds it, playing the last of them. A zone whose
// samples the library does not take is left out and counted in `drops`.
void FileZone(Instrument& instrument, Zone zone, BankSamples& samples, ImportDrops& drops);

}  // namespace tolvane
