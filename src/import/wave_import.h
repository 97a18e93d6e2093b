#pragma once
// The WAV importer: one RIFF WAVE file becomes one instrument whose zones span every key and
// velocity. A 16-bit mono or stereo file gives one zone; every other layout gives one mono zone
// per channel, converted to 16 bits.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "import/importer.h"

namespace tolvane {

// The "fmt " fields the importer uses. The format tag is not read: data is integer PCM.
struct WaveFormat {
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
};

// The "smpl" fields the importer uses; the first loop's points are frame numbers.
struct WaveSampler {
  std::uint32_t unityNote = 0;
  std::uint32_t pitchFraction = 0;
  std::uint32_t loopCount = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
};

// What a recognised WAV file holds. `data` points into the bytes given to ReadWaveRecords.
struct WaveRecords {
  WaveFormat format;
  std::span<const std::byte> data;
  std::optional<WaveSampler> sampler;  // only a "smpl" chunk of at least 60 bytes
};

// Recognises a RIFF WAVE file held in `file`: "RIFF"/"WAVE", a "fmt " of at least 16 bytes
// (with at least one channel and 8 bits per sample) ahead of a "data" chunk, chunks padded to
// even sizes ending exactly at the RIFF end, and chunks after the RIFF chunk ending exactly at
// the end of the file. Nothing when any of it fails.
std::optional<WaveRecords> ReadWaveRecords(std::span<const std::byte> file);

// A FAT date and time, as the original platform stamps files.
struct DosDateTime {
  std::uint16_t date = 0;  // (year - 1980) x 512 + month x 32 + day
  std::uint16_t time = 0;  // hour x 2048 + minute x 32 + seconds / 2
};

// `unixSeconds` (UTC, no conversion to local time) as a DOS date and time. Times before
// 1980-01-01 give 1980-01-01 00:00:00 and times after 2107-12-31 23:59:59 give that moment:
// the nearest the format can express.
DosDateTime ToDosDateTime(std::int64_t unixSeconds);

// The importer of the chain: true when the file is a WAV file and its instrument was added,
// false (nothing created) otherwise.
bool ImportWave(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
