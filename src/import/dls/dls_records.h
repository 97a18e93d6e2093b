#pragma once
// The records of a DLS bank (Downloadable Sounds, levels 1 and 2) as the file lays them out:
// instruments with their regions and articulations, the pool table and the wave pool. Nothing
// here knows of zones or samples; the importer builds those from these records. Every count and
// offset is checked against its chunk: a record that cannot be read whole says why in its
// `broken` reason (empty when it could), and the bank keeps what lies before damage.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// Why records are broken, for people.
inline constexpr std::string_view kWsmpLoopsOutside = "'wsmp' with more loops than its size holds";
inline constexpr std::string_view kWsmpShort = "'wsmp' shorter than its header";
inline constexpr std::string_view kConnectionsOutside =
    "connection blocks counted past the end of their chunk";
inline constexpr std::string_view kRegionHeaderMissing = "region without a 'rgnh' header";
inline constexpr std::string_view kInstrumentHeaderMissing = "instrument without an 'insh' header";

// One loop of a "wsmp" chunk; `type` 0 loops on through the release, 1 until the release.
struct DlsLoop {
  std::uint32_t type = 0;
  std::uint32_t start = 0;   // frames from the start of the wave's data
  std::uint32_t length = 0;  // frames
};

// A "wsmp" chunk: how a wave is played.
struct DlsSampleInfo {
  std::uint16_t unityNote = 60;
  std::int16_t fineTune = 0;     // cents
  std::int32_t attenuation = 0;  // centibels x 65536; despite the name, negative is quieter
  std::optional<DlsLoop> loop;   // the first loop, when the chunk has one
};

// One connection block of an "art1"/"art2" chunk.
struct DlsConnection {
  std::uint16_t source = 0;
  std::uint16_t control = 0;
  std::uint16_t destination = 0;
  std::uint16_t transform = 0;
  std::int32_t scale = 0;  // the destination's unit x 65536
};

// The blocks of every "lart"/"lar2" list at one level, merged in file order.
struct DlsArticulation {
  std::vector<DlsConnection> connections;
  std::string_view broken;  // blocks counted past their chunk (those that fit are kept)
};

struct DlsRegion {
  std::uint16_t keyLow = 0;
  std::uint16_t keyHigh = 127;
  std::uint16_t velLow = 0;
  std::uint16_t velHigh = 127;
  std::uint16_t keyGroup = 0;
  std::optional<DlsSampleInfo> sample;  // the region's own "wsmp"
  bool linked = false;                  // has a "wlnk"
  std::uint16_t phaseGroup = 0;
  std::uint32_t channel = 1;  // bit 0 left (or mono), bit 1 right
  std::uint32_t tableIndex = 0;
  std::optional<DlsArticulation> articulation;  // replaces the instrument's when present
  std::string_view broken;
};

inline constexpr std::uint32_t kDlsDrumFlag = 0x80000000u;

struct DlsInstrument {
  std::string name;        // from INFO/INAM, empty when none
  std::uint32_t bank = 0;  // "insh" ulBank: LSB in bits 0-6, MSB in 8-14, drums in bit 31
  std::uint32_t program = 0;
  std::vector<DlsRegion> regions;
  std::optional<DlsArticulation> articulation;
  std::string_view broken;

  bool drums() const { return (bank & kDlsDrumFlag) != 0; }
  std::uint32_t bankNumber() const { return ((bank >> 8) & 0x7F) * 128 + (bank & 0x7F); }
};

// A "wave" list of the pool.
struct DlsWave {
  std::string name;  // from INFO/INAM, empty when none
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
  std::span<const std::byte> data;
  std::optional<DlsSampleInfo> sample;  // the wave's own "wsmp"
  std::string_view broken;
};

inline constexpr std::uint32_t kDlsNoWave = 0xFFFFFFFFu;  // a pool table cue naming no wave

struct DlsBank {
  std::vector<DlsInstrument> instruments;
  std::vector<std::uint32_t> cues;  // "ptbl": offsets of the waves in the pool
  std::span<const std::byte> pool;  // "wvpl": what follows its list type
  bool hasInstrumentList = false;
  bool hasPool = false;
  // Why the bank could not be read to its end, for people; empty when it could.
  std::string damage;
};

// The records of `file`, or nothing when it is not a RIFF "DLS " form.
// REQUIRES: `file` outlives the bank (the bank's spans point into it).
std::optional<DlsBank> ReadDlsBank(std::span<const std::byte> file);

// The wave whose "LIST" header lies `offset` bytes into `pool`; broken when there is none or it
// cannot be read. REQUIRES: `pool` outlives the wave.
DlsWave ReadDlsWave(std::span<const std::byte> pool, std::uint64_t offset);

// Reads a "wsmp" chunk's data; broken (with its reason) when the loops it counts do not fit.
struct SampleInfoReading {
  DlsSampleInfo info;
  std::string_view broken;
};
SampleInfoReading ReadSampleInfo(std::span<const std::byte> data);

// Appends the connection blocks of an "art1"/"art2" chunk's data to `articulation`.
void ReadConnections(std::span<const std::byte> data, DlsArticulation& articulation);

}  // namespace tolvane
