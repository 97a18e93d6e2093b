#pragma once
// The WAV importer: one RIFF WAVE file becomes one instrument whose zones span every key and
// velocity. Integer PCM of 16 bits in one or two channels gives one zone, its data taken as
// stored; IEEE float, A-law and mu-law data in one or two channels gives one zone too, its
// data converted to 16 bits. Every other layout gives one mono zone per channel, converted.

#include <cstdint>
#include <memory>

#include "import/importer.h"

namespace tolvane {

struct Instrument;
struct Sample;

// A FAT date and time, as the original platform stamps files.
struct DosDateTime {
  std::uint16_t date = 0;  // (year - 1980) x 512 + month x 32 + day
  std::uint16_t time = 0;  // hour x 2048 + minute x 32 + seconds / 2
};

// `unixSeconds` (UTC, no conversion to local time) as a DOS date and time. Times before
// 1980-01-01 give 1980-01-01 00:00:00 and times after 2107-12-31 23:59:59 give that moment:
// the nearest the format can express.
DosDateTime ToDosDateTime(std::int64_t unixSeconds);

// The root key of a sound file that names none.
inline constexpr std::uint32_t kDefaultRootKey = 60;

// The instrument of a file that is one sound or one instrument (WAV, AIFF, FLAC, SFZ ...): named
// after the file, its SoundID from that name and the file's modification time.
std::unique_ptr<Instrument> CreateFileInstrument(Source& source, std::int64_t modifiedTime);

// Adds one zone over every key and velocity playing `sample` (nothing for null); `flags` are set
// before the loop flag. Every file that is one sound (WAV, AIFF, FLAC, ...) maps this way.
void AddWaveZone(Instrument& instrument, Sample* sample, std::uint8_t flags, bool loop);

// The importer of the chain: Imported with the file's instrument added, or the refusal of
// ReadWaveRecords (wave_records.h) with nothing created.
ImportOutcome ImportWave(Library& library, Source& source, const ImportView& view);

}  // namespace tolvane
