#pragma once
// What every importer that makes instruments of its own (sound files, SFZ, Decent Sampler,
// Bitwig, Hydrogen, folders of samples) names them by: a display name fitted from the imported
// name, and a SoundID from that display name and a file's modification time, as the original
// platform derives it.

#include <cstdint>
#include <memory>
#include <string_view>

namespace tolvane {

struct Instrument;
struct Source;

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

// A new instrument of `source` imported as `name` (Windows-1252), displayed as that name fitted
// into 24 characters, its SoundID from the displayed name and `modifiedTime`.
std::unique_ptr<Instrument> CreateNamedInstrument(Source& source, std::string_view name,
                                                  std::int64_t modifiedTime);

// The instrument of a file that is one sound or one instrument (WAV, AIFF, FLAC, SFZ ...): named
// after the file (the source's base name).
std::unique_ptr<Instrument> CreateFileInstrument(Source& source, std::int64_t modifiedTime);

}  // namespace tolvane
