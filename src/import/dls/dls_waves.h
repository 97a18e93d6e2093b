#pragma once
// The waves of one DLS bank's import: each wave the pool table leads to is read and its values
// decoded once, however many regions play it, and stays until the import ends.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "import/dls/dls_records.h"
#include "library/sample_data.h"

namespace tolvane {

// Why a region's wave cannot be played, for people.
inline constexpr std::string_view kLinkPastTable = "wave link past the pool table ('ptbl')";
inline constexpr std::string_view kCueNoWave = "pool table cue naming no wave";
inline constexpr std::string_view kCuePastPool = "pool table cue past the wave pool ('wvpl')";
inline constexpr std::string_view kWaveFormat = "wave in a format other than 8- or 16-bit PCM";
inline constexpr std::string_view kWaveChannels = "wave with other than one or two channels";
inline constexpr std::string_view kWaveRate = "wave without a sample rate";
inline constexpr std::string_view kWaveEmpty = "wave without sample frames";
inline constexpr std::string_view kPoolOverread =
    "waves overlapping in the pool far more than a bank could need";

// What a bank may read and make of its wave pool: each byte about once in a valid bank, where
// waves never overlap and the 8-bit ones double. A hostile one pointing many cues or loops
// into the same large wave is cut off there, so that it cannot claim memory without bound.
inline std::uint64_t PoolBudget(std::size_t poolBytes) {
  return 4 * std::uint64_t{poolBytes} + (std::uint64_t{1} << 20);
}

struct DlsPlayableWave {
  const DlsWave* wave = nullptr;
  const SampleData* values = nullptr;  // frames x channels 16-bit values, interleaved
  std::uint32_t frames = 0;
  std::uint32_t offset = 0;  // of its list in the pool: what its samples are keyed by
  std::string_view name;     // its INAM, else "Wave N" after its pool table index
};

class DlsWaves {
 public:
  // REQUIRES: `bank` outlives this object.
  explicit DlsWaves(const DlsBank& bank) : bank_(bank), budget_(PoolBudget(bank.pool.size())) {}

  // The wave pool table entry `index` leads to, or why it cannot be played.
  struct Found {
    DlsPlayableWave wave;
    std::string_view broken;  // empty when `wave` can be played
  };
  Found ByTableIndex(std::uint32_t index);

 private:
  struct Entry {
    DlsWave wave;
    SampleData values;
    std::uint32_t frames = 0;
    std::string name;
    std::string_view broken;
  };
  Entry Decode(std::uint32_t offset, std::uint32_t index) const;

  const DlsBank& bank_;
  std::map<std::uint32_t, Entry> byOffset_;  // node-based: entries never move
  std::uint64_t read_ = 0;                   // bytes of the wave lists read so far
  std::uint64_t budget_;
};

}  // namespace tolvane
