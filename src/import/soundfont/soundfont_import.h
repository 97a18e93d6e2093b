#pragma once
// The SoundFont 2 importer: every instrument of a bank's instrument level becomes one
// instrument of the library, or with the presets setting (ImportSettings::soundFont) every
// preset does, as a player builds it (soundfont_presets.h). Each bag that names a sample becomes
// a zone; linked left/right samples of equal shape become one 2-channel sample, and zones that
// play one sample over the same ranges with mirrored panning fold into one stereo or dual zone.
// Compressed banks (SoundFont 3) are read too: their Ogg Vorbis samples are decoded, on every
// core, before the instruments are built, and a bank may mix them with plain samples.

#include "import/importer.h"

namespace tolvane {

// NotRecognised when the file is not a RIFF "sfbk" form, so the next importer may try.
// Damaged, with nothing imported, when the bank's top-level lists do not end exactly at the
// RIFF end or it lacks sample data, instruments, bags, generators or sample headers. Zones whose
// bag, generator, sample header or sample link indices or sample positions point outside their
// chunks are left out (an instrument left without zones is not added) and counted, and so are
// zones whose compressed sample does not decode: the bank is then Damaged with the instruments
// that could be read. Imported otherwise. With presets, a bank without preset records is
// Damaged with nothing imported, and references of the preset level are checked likewise.
ImportOutcome ImportSoundFont(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
