#pragma once
// The importer of AIFF, FLAC and Ogg Vorbis files: each file is one instrument, as a WAV file
// is, whose zones span every key and velocity: one zone for one or two channels, one mono zone
// per channel for more.

#include "import/importer.h"

namespace tolvane {

struct DecodedSound;

// The importer of the chain: NotRecognised without a sample file's signature (or, in a build
// without libsndfile, with the reason that names it); Damaged when the file cannot be decoded.
ImportOutcome ImportSampleFile(Library& library, Source& source, const ImportView& view);

// The instrument of one decoded sound, named and identified as a WAV file's; the sound's values
// are taken, not copied, where they can be.
void AddSoundInstrument(Library& library, Source& source, std::int64_t modifiedTime,
                        DecodedSound& sound);

}  // namespace tolvane
