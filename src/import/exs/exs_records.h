#pragma once
// The records of a Logic EXS24 / Sampler instrument (.exs), as the file lays them out: a flat run
// of chunks, each an 84-byte header and a body, in little- or big-endian byte order. Fields are
// read where the body holds them; a field past a short body keeps its default. Nothing here
// knows of zones of the library.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

struct ExsZoneRecord {
  std::string name;
  std::uint8_t flags = 0;  // ExsZoneFlag bits
  std::uint8_t rootKey = 60;
  std::int8_t fineTune = 0;  // cents
  std::int8_t pan = 0;
  std::int8_t volume = 0;  // dB
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint8_t velocityLow = 0;  // only with ExsZoneVelocityRange
  std::uint8_t velocityHigh = 127;
  std::uint32_t sampleStart = 0;  // frames
  std::uint32_t sampleEnd = 0;    // frames, exclusive; 0 for the sample's end
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;  // exclusive
  std::uint8_t loopFlags = 0;
  std::uint8_t direction = 0;  // ExsDirection
  std::int8_t coarseTune = 0;  // semitones
  std::int32_t group = -1;     // by order of appearance; -1 none
  std::int32_t sample = -1;    // by order of appearance; -1 the zone's own ordinal
};

enum ExsZoneFlag : std::uint8_t {
  ExsZoneOneShot = 1,
  ExsZonePitchFixed = 2,  // pitch tracking off
  ExsZoneReverse = 4,
  ExsZoneVelocityRange = 8,
};
inline constexpr std::uint8_t kExsLoopOn = 1;
enum ExsDirection : std::uint8_t { ExsForward = 0, ExsBackward = 1, ExsAlternate = 2 };

struct ExsGroupRecord {
  std::string name;
  std::int8_t volume = 0;  // dB
  std::int8_t pan = 0;
  std::uint8_t flags = 0;  // bit 4: muted
  std::uint8_t velocityLow = 0;
  std::uint8_t velocityHigh = 0;  // 0: no bound
  std::uint8_t trigger = 0;       // 1: on key release
  std::int32_t linked = -1;       // the previous group of a round-robin cycle; -1 none
  std::uint8_t selectType = 0;    // "Select Group By"
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 0;  // 0: no bound
};
inline constexpr std::uint8_t kExsGroupMuted = 0x10;

struct ExsSampleRecord {
  std::string name;    // the header's name: the file name in older files
  std::string folder;  // where it was on the Mac it was made on, without a trailing '/'
  std::string file;    // the file name where the body holds one
  std::uint32_t frames = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t fileType = 0;  // four-character code, first character in the top byte
  std::uint32_t compressed = 0;

  // The file name: the body's, else the header's.
  const std::string& FileName() const { return file.empty() ? name : file; }
};

struct ExsFile {
  bool bigEndian = false;
  std::vector<ExsZoneRecord> zones;
  std::vector<ExsGroupRecord> groups;
  std::vector<ExsSampleRecord> samples;
  // Parameter id to value, of the first parameter chunk; none without one.
  std::optional<std::map<std::uint16_t, std::int16_t>> parameters;
  // The file:// URLs of the sample references (type 0x0B chunks), in order; "" where a chunk
  // holds none.
  std::vector<std::string> sampleUrls;
  // Why the walk stopped before the file's end; empty when it read every chunk.
  std::string damage;
};

struct ExsReading {
  std::optional<ExsFile> file;
  std::string refusal;  // why it is no EXS file (empty files, wrong magic)
};

// Whether `bytes` start with an EXS chunk header (a valid magic at offset 16).
bool LooksLikeExs(std::span<const std::byte> bytes);

// Reads every chunk of `bytes`. Refused when the first chunk is no EXS chunk; damaged (`damage`
// set, what came before kept) when a later one is cut short or has no valid magic.
ExsReading ReadExs(std::span<const std::byte> bytes);

// A file:// URL's path with its %-escapes decoded; nothing for any other URL.
std::optional<std::string> FileUrlPath(std::string_view url);

}  // namespace tolvane
