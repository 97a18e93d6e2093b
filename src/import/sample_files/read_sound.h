#pragma once
// Any sound file the converter reads (WAV, AIFF, FLAC, Ogg Vorbis) decoded whole to 16-bit
// values with its loop and root key: the samples of an instrument defined elsewhere (SFZ).

#include <cstddef>
#include <span>

#include "import/sample_files/decoded_sound.h"

namespace tolvane {

// WAV files are read by the WAV importer's records (loop and root key from "smpl" only when it
// has a loop), the others through libsndfile with their markers. NotRecognised for anything
// else; Damaged, with the reason, for a file that cannot be read. A WAV data chunk cut short
// gives the frames there.
SoundReading ReadSound(std::span<const std::byte> file);

// Imported, or Damaged when the file was cut short ("sound data cut short: 378 of 800 frames").
ImportOutcome SoundOutcome(const DecodedSound& sound);

// The markers of a sample file of `kind`'s bytes (AIFF "INST"/"MARK", FLAC "riff" blocks).
SoundMarkers ReadSampleFileMarkers(std::span<const std::byte> file);

}  // namespace tolvane
