#pragma once
// The SoundFont 2 importer: every instrument of a bank's instrument level becomes one
// instrument of the library. Presets are not read. Each bag that names a sample becomes a zone;
// linked left/right samples of equal shape become one 2-channel sample, and zones that play one
// sample over the same ranges with mirrored panning fold into one stereo or dual zone.

#include "import/importer.h"

namespace tolvane {

// False when the file is not a RIFF "sfbk" form, so the next importer may try. True otherwise,
// also when nothing could be imported: a bank whose top-level lists do not end exactly at the
// RIFF end, without sample data or without instruments adds nothing. Zones whose bag,
// generator, sample header or sample link indices or sample positions point outside their
// chunks are dropped, and an instrument left without zones is not added.
bool ImportSoundFont(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
