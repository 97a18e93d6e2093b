#pragma once
// The record layer of the WAV importer: the chunks of a RIFF WAVE file and the fields of its
// "fmt " and "smpl" chunks, read in place and checked, nothing more.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "import/import_outcome.h"

namespace tolvane {

// How the "data" chunk stores its values.
enum class WaveEncoding {
  Pcm,    // little-endian integers; 8 bits unsigned, wider ones signed
  Float,  // IEEE 754 little-endian, 32 or 64 bits, full scale at 1.0
  ALaw,   // G.711 A-law, 8 bits
  MuLaw,  // G.711 mu-law, 8 bits
};

// The "fmt " fields the importer uses. For WAVE_FORMAT_EXTENSIBLE the encoding comes from the
// sub-format.
struct WaveFormat {
  WaveEncoding encoding = WaveEncoding::Pcm;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;

  // Bytes one value takes: widths that are not whole bytes fill the next whole byte, with the
  // value in its top bits (12 bits in 2 bytes, 20 in 3).
  std::size_t bytesPerValue() const { return (std::size_t{bitsPerSample} + 7) / 8; }
};

// The "smpl" fields the importer uses; the first loop's points are frame numbers.
struct WaveSampler {
  std::uint32_t unityNote = 0;
  std::uint32_t pitchFraction = 0;
  std::uint32_t loopCount = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;

  // The fraction is a 32-bit part of a semitone; 100 x (fraction >> 8) stays below 2^31.
  std::int32_t PitchCorrectionCents() const {
    return static_cast<std::int32_t>(((pitchFraction >> 8) * 100u) >> 24);
  }
};

// What a readable WAV file holds. `data` points into the bytes given to ReadWaveRecords.
struct WaveRecords {
  WaveFormat format;
  std::span<const std::byte> data;
  // The size the "data" chunk gives itself: more than `data` holds when the file ends first.
  std::uint64_t claimedDataSize = 0;
  std::optional<WaveSampler> sampler;  // only a "smpl" chunk of at least 60 bytes
};

struct WaveReading {
  std::optional<WaveRecords> records;  // set when the file can be imported
  ImportOutcome refusal;               // otherwise: NotRecognised or Damaged, with the reason
};

// More channels than any recording layout uses (the channel names run out at 207 anyway).
inline constexpr std::size_t kWaveMostChannels = 256;
// The widest integer value read: 64 bits.
inline constexpr std::size_t kWaveMostValueBytes = 8;

// The fields of a "smpl" chunk's data (FLAC files keep one too); nothing when it is shorter
// than 60 bytes.
std::optional<WaveSampler> ReadWaveSampler(std::span<const std::byte> chunk);

// Reads a RIFF WAVE file held in `file`. Anything without "RIFF"/"WAVE" is not recognised;
// so is a format the importer does not decode (compressed data, say), with the format named in
// the reason. The chunks are walked, padded to even sizes, up to the end of the RIFF chunk or
// of the file, whichever comes first; a RIFF size that ends before the sound is read is not
// trusted and the walk goes on to the end of the file. After an odd-sized chunk whose pad byte
// is missing (a chunk header starts where it should be), the next chunk is read where it starts.
// Damaged: a chunk before the sound that runs past the end of the file, no "fmt " of at least
// 16 bytes ahead of a "data" chunk, no channel, fewer than 8 bits per sample.
// Once "fmt " and "data" are read, what real files get wrong no longer refuses them: a "data"
// chunk past the RIFF end is read as far as the file holds it (see `claimedDataSize`), and a
// broken chunk after the data ends the walk. A writer's placeholder data size (0xFFFFFFFF or
// sox's 0x7FFFF000 past the end of the file, or 0 followed by no chunk header) means "to the end
// of the file", which is then the size claimed.
WaveReading ReadWaveRecords(std::span<const std::byte> file);

}  // namespace tolvane
