#pragma once
// Loops and root keys where AIFF and FLAC files keep them, read by a small record reader of our
// own: libsndfile does not give those of FLAC files, and AIFF's are read the same way.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "import/sample_files/decoded_sound.h"
#include "import/wave/wave_records.h"

namespace tolvane {

// A WAV "smpl" chunk's unity note, pitch fraction and first loop; as a WAV file's, a sampler
// without loops says nothing.
SoundMarkers WaveSamplerMarkers(const std::optional<WaveSampler>& sampler);

// An AIFF or AIFF-C file's "INST" chunk (base note, detune, sustain loop) with the "MARK"
// positions its loop names. A loop whose play mode is 0 or whose markers are missing is none.
SoundMarkers ReadAiffMarkers(std::span<const std::byte> file);

// The frame count an AIFF or AIFF-C file's "COMM" chunk gives, which is more than its "SSND"
// chunk holds when the file was cut short. Nothing without a "COMM" chunk ahead of the "SSND"
// chunk, or when either holds a size a writer to a pipe left in place (0, 0xFFFFFFFF, or the
// sound data size of 0x7F000000 that sox writes).
std::optional<std::uint32_t> ReadAiffClaimedFrames(std::span<const std::byte> file);

// A FLAC file's APPLICATION metadata blocks of id "riff" (where `flac --keep-foreign-metadata`
// keeps a WAV file's chunks) holding a "smpl" chunk: its unity note, pitch fraction and first
// loop, read as a WAV file's.
SoundMarkers ReadFlacMarkers(std::span<const std::byte> file);

}  // namespace tolvane
