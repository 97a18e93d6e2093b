#include "import/dls/dls_waves.h"

#include <algorithm>
#include <utility>

#include <vector>
#include "base/bytes.h"

namespace tolvane {
namespace {

constexpr std::uint16_t kFormatPcm = 1;

}  // namespace

DlsWaves::Found DlsWaves::ByTableIndex(std::uint32_t index) {
  if (index >= bank_.cues.size()) return {{}, kLinkPastTable};
  const std::uint32_t offset = bank_.cues[index];
  if (offset == kDlsNoWave) return {{}, kCueNoWave};
  if (offset >= bank_.pool.size()) return {{}, kCuePastPool};
  auto found = byOffset_.find(offset);
  if (found == byOffset_.end()) {
    // Each wave list is read once, and all of them together about once.
    const auto size = Slice(bank_.pool, std::uint64_t{offset} + 4, 4);
    // A list running past the pool is not read at all.
    const std::uint64_t listBytes =
        size ? std::min<std::uint64_t>(LoadU32(size->data()), bank_.pool.size() - offset) : 0;
    if (listBytes > budget_ - read_) return {{}, kPoolOverread};
    read_ += listBytes;
    found = byOffset_.emplace(offset, Decode(offset, index)).first;
  }
  const Entry& entry = found->second;
  if (!entry.broken.empty()) return {{}, entry.broken};
  return {{&entry.wave, &entry.values, entry.frames, offset, entry.name}, {}};
}

DlsWaves::Entry DlsWaves::Decode(std::uint32_t offset, std::uint32_t index) const {
  Entry entry;
  entry.wave = ReadDlsWave(bank_.pool, offset);
  const DlsWave& wave = entry.wave;
  entry.name = wave.name.empty() ? "Wave " + std::to_string(index) : wave.name;
  entry.broken = wave.broken;
  if (!entry.broken.empty()) return entry;
  if (wave.formatTag != kFormatPcm || (wave.bitsPerSample != 8 && wave.bitsPerSample != 16)) {
    entry.broken = kWaveFormat;
  } else if (wave.channels != 1 && wave.channels != 2) {
    entry.broken = kWaveChannels;
  } else if (wave.sampleRate == 0) {
    entry.broken = kWaveRate;
  }
  if (!entry.broken.empty()) return entry;

  const std::size_t frameBytes = std::size_t{wave.channels} * (wave.bitsPerSample / 8u);
  // The data lies in a file under 4 GiB, so its frames fit 32 bits.
  entry.frames = static_cast<std::uint32_t>(wave.data.size() / frameBytes);
  if (entry.frames == 0) {
    entry.broken = kWaveEmpty;
    return entry;
  }
  const std::size_t count = std::size_t{entry.frames} * wave.channels;
  if (wave.bitsPerSample == 16) {
    entry.values = SampleData::FromLittleEndian(wave.data, count);
  } else {
    // 8-bit PCM is unsigned: 128 is silence.
    std::vector<std::int16_t> values(count);
    for (std::size_t i = 0; i < count; ++i)
      values[i] = static_cast<std::int16_t>((std::to_integer<int>(wave.data[i]) - 128) * 256);
    entry.values = SampleData(std::move(values));
  }
  return entry;
}

}  // namespace tolvane
