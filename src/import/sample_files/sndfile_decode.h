#pragma once
// AIFF, FLAC, Ogg Vorbis and CAF files decoded through libsndfile, from memory, to 16-bit values as
// WAV files are converted: integers keep their top 16 bits, floats are scaled, rounded and
// clipped. A build without libsndfile (TOLVANE_SNDFILE off) recognises AIFF and FLAC files but
// reads none; Ogg Vorbis files are decoded with libvorbisfile in every build.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "import/sample_files/decoded_sound.h"

namespace tolvane {

enum class SampleFileKind { Aiff, Flac, Ogg, Caf };

// The kind of file whose signature `file` starts with: "FORM" with "AIFF" or "AIFC", "fLaC",
// "OggS", "caff".
std::optional<SampleFileKind> RecogniseSampleFile(std::span<const std::byte> file);

// "AIFF", "FLAC", "Ogg", "CAF".
std::string_view SampleFileKindName(SampleFileKind kind);

// A file decodes to at most this many times its size in 16-bit values (real files: about 1 for
// AIFF, 2 for FLAC, 15 for Ogg Vorbis), which bounds what a hostile file can claim.
inline constexpr std::uint64_t kSampleFileMaxGrowth = 64;
// Channels beyond this are no recording's.
inline constexpr std::uint32_t kSampleFileMostChannels = 256;

// Whether this build reads the sample files at all.
bool SampleFilesReadable();

// An Ogg Vorbis file decoded with libvorbisfile, which every build has (compressed SoundFont
// banks need it): multi-channel files interleaved, values rounded and clipped by vorbisfile.
SoundReading DecodeOggFile(std::span<const std::byte> file);

// Why a CAF file's audio is not read (its codec, as libsndfile reads none but plain and
// companded values: "AAC"); nothing when it is, or `file` is no CAF file.
std::optional<std::string> UnreadCafCodec(std::span<const std::byte> file);

// Decodes a file RecogniseSampleFile took as `kind` (Ogg files through DecodeOggFile); the markers
// are left for the caller. A file cut short gives the frames there, with the count it claims
// (DecodedSound::claimedFrames). Damaged when libsndfile cannot read it, it has no channel or too
// many, no sample rate, or it decodes to nothing or past kSampleFileMaxGrowth; NotRecognised in a
// build without libsndfile, and for a CAF file of compressed audio (UnreadCafCodec).
SoundReading DecodeSampleFile(std::span<const std::byte> file, SampleFileKind kind);

}  // namespace tolvane
