#include "analysis/sound_level.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace tolvane {
namespace {

constexpr double kFullScale = 32768;

std::uint32_t BlocksOf(double seconds, std::uint32_t blockFrames, std::uint32_t rate) {
  return std::max<std::uint32_t>(
      1, static_cast<std::uint32_t>(std::lround(seconds * rate / blockFrames)));
}

// Blocks [first, last] as frames.
FrameRange Frames(const LevelCurve& level, std::size_t first, std::size_t last) {
  const auto start = static_cast<std::uint32_t>(first * level.blockFrames);
  const auto end = static_cast<std::uint64_t>(last + 1) * level.blockFrames;
  return {start, static_cast<std::uint32_t>(std::min<std::uint64_t>(end, level.frames))};
}

}  // namespace

SoundFrames ReadSound(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                      std::uint32_t rate) {
  SoundFrames sound;
  sound.rate = rate;
  sound.channels = channels;
  sound.frames = frames;
  sound.mono.assign(frames, 0.0F);
  if (channels > 1) sound.values.resize(std::size_t{frames} * channels);
  std::array<std::int16_t, 4096> block{};  // a whole number of frames of either width
  const std::size_t total = std::size_t{frames} * channels;
  for (std::size_t from = 0; from < total; from += block.size()) {
    const std::size_t count = std::min(block.size(), total - from);
    data.CopyInterleaved(from, std::span(block).first(count));
    if (channels == 1) {
      std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count),
                sound.mono.begin() + static_cast<std::ptrdiff_t>(from));
      continue;
    }
    std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count),
              sound.values.begin() + static_cast<std::ptrdiff_t>(from));
    for (std::size_t i = 0; i + 1 < count; i += 2)
      sound.mono[(from + i) / 2] = static_cast<float>(block[i] + block[i + 1]);
  }
  return sound;
}

void ReadMono(const SampleData& data, std::uint32_t channels, std::size_t from,
              std::span<float> out) {
  std::array<std::int16_t, 4096> block{};  // a whole number of frames of either width
  const std::size_t perBlock = block.size() / channels;
  for (std::size_t done = 0; done < out.size(); done += perBlock) {
    const std::size_t count = std::min(perBlock, out.size() - done);
    data.CopyInterleaved((from + done) * channels, std::span(block).first(count * channels));
    for (std::size_t f = 0; f < count; ++f) {
      out[done + f] = channels == 1 ? static_cast<float>(block[f])
                                    : static_cast<float>(block[2 * f] + block[2 * f + 1]);
    }
  }
}

namespace {

std::uint32_t LevelBlockFrames(std::uint32_t rate) {
  return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(rate * kLevelBlockSeconds));
}

// The level curve of a sound whose blocks' channel sums square to `power`.
LevelCurve LevelFrom(std::vector<double> power, std::uint32_t frames, std::uint32_t channels,
                     std::uint32_t rate) {
  LevelCurve level;
  level.rate = rate;
  level.frames = frames;
  level.blockFrames = LevelBlockFrames(rate);
  const std::size_t blocks = power.size();
  const double perChannel = 1.0 / (channels * kFullScale);
  for (double& p : power) p *= perChannel * perChannel;
  std::vector<double> sums(blocks + 1, 0.0);
  for (std::size_t b = 0; b < blocks; ++b) sums[b + 1] = sums[b] + power[b];
  const std::size_t half = BlocksOf(kLevelWindowSeconds, level.blockFrames, rate) / 2;
  level.db.resize(blocks);
  level.peakDb = -std::numeric_limits<double>::infinity();
  const auto framesIn = [&](std::size_t first, std::size_t last) {
    return std::min<double>(frames, static_cast<double>(last * level.blockFrames)) -
           static_cast<double>(first * level.blockFrames);
  };
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t first = b > half ? b - half : 0;
    const std::size_t last = std::min(blocks, b + half + 1);
    const double mean = (sums[last] - sums[first]) / std::max(1.0, framesIn(first, last));
    level.db[b] = mean > 0 ? 10 * std::log10(mean) : -std::numeric_limits<double>::infinity();
    level.peakDb = std::max(level.peakDb, level.db[b]);
  }
  const double attackEnd = level.peakDb - kAttackBelowPeakDb;
  const auto ownLevel = [&](std::size_t b) {
    return 10 * std::log10(std::max(power[b] / std::max(1.0, framesIn(b, b + 1)), 1e-30));
  };
  while (level.attackBlocks < blocks && ownLevel(level.attackBlocks) < attackEnd)
    ++level.attackBlocks;
  ++level.attackBlocks;  // the block that reaches it rises still
  return level;
}

double SumOfSquares(std::span<const float> values) {
  double sum = 0;
  for (const float v : values) sum += double{v} * v;
  return sum;
}

}  // namespace

LevelCurve MeasureLevel(const SoundFrames& sound) {
  const std::uint32_t blockFrames = LevelBlockFrames(sound.rate);
  std::vector<double> power((std::size_t{sound.frames} + blockFrames - 1) / blockFrames);
  for (std::size_t b = 0; b < power.size(); ++b) {
    const std::size_t first = b * blockFrames;
    power[b] =
        SumOfSquares(std::span(sound.mono)
                         .subspan(first, std::min<std::size_t>(blockFrames, sound.frames - first)));
  }
  return LevelFrom(std::move(power), sound.frames, sound.channels, sound.rate);
}

LevelCurve MeasureLevel(const SampleData& data, std::uint32_t channels, std::uint32_t frames,
                        std::uint32_t rate) {
  const std::uint32_t blockFrames = LevelBlockFrames(rate);
  std::vector<double> power((std::size_t{frames} + blockFrames - 1) / blockFrames);
  std::vector<float> mono(blockFrames);
  for (std::size_t b = 0; b < power.size(); ++b) {
    const std::size_t first = b * blockFrames;
    const std::span<float> block =
        std::span(mono).first(std::min<std::size_t>(blockFrames, frames - first));
    ReadMono(data, channels, first, block);
    power[b] = SumOfSquares(block);
  }
  return LevelFrom(std::move(power), frames, channels, rate);
}

FrameRange FindSteadyPart(const LevelCurve& level) {
  const std::size_t blocks = level.db.size();
  const std::size_t span = BlocksOf(kLevelWindowSeconds, level.blockFrames, level.rate);
  const double blockSeconds = static_cast<double>(level.blockFrames) / level.rate;
  const double floor = std::max(level.peakDb - kSteadyBelowPeakDb, kSilentDbfs);
  std::size_t bestFirst = 0;
  std::size_t bestCount = 0;
  std::size_t runFirst = 0;
  std::size_t runCount = 0;
  for (std::size_t b = level.attackBlocks; b < blocks; ++b) {
    const std::size_t before = b > span ? b - span : 0;
    const std::size_t after = std::min(blocks - 1, b + span);
    const double apart = static_cast<double>(after - before) * blockSeconds;
    const bool steady =
        after - before >= span && level.db[b] >= floor && std::isfinite(level.db[before]) &&
        std::isfinite(level.db[after]) &&
        std::abs(level.db[after] - level.db[before]) <= kSteadySlopeDbPerSecond * apart;
    if (!steady) {
      runCount = 0;
      continue;
    }
    if (runCount++ == 0) runFirst = b;
    if (runCount > bestCount) {
      bestFirst = runFirst;
      bestCount = runCount;
    }
  }
  if (bestCount == 0) return {};
  return Frames(level, bestFirst, bestFirst + bestCount - 1);
}

FrameRange FindSoundingPart(const LevelCurve& level) {
  if (level.db.empty() || !std::isfinite(level.peakDb)) return {};
  const auto loudest = static_cast<std::size_t>(std::max_element(level.db.begin(), level.db.end()) -
                                                level.db.begin());
  std::size_t last = loudest;
  while (last + 1 < level.db.size() && level.db[last + 1] >= level.peakDb - kSteadyBelowPeakDb)
    ++last;
  return Frames(level, loudest, last);
}

}  // namespace tolvane
