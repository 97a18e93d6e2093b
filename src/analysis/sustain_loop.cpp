#include "analysis/sustain_loop.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace tolvane {
namespace {

// Rising crossings of the channels' sum in [first, last), at most `most`, evenly chosen.
std::vector<std::uint32_t> RisingCrossings(const SoundFrames& sound, std::uint32_t first,
                                           std::uint32_t last, std::size_t most) {
  std::vector<std::uint32_t> found;
  for (std::uint32_t i = std::max(first, 1u); i < last; ++i)
    if (sound.mono[i - 1] < 0 && sound.mono[i] >= 0) found.push_back(i);
  if (found.size() <= most) return found;
  std::vector<std::uint32_t> chosen;
  chosen.reserve(most);
  for (std::size_t k = 0; k < most; ++k) chosen.push_back(found[k * found.size() / most]);
  return chosen;
}

std::uint32_t MatchFrames(const SoundFrames& sound) {
  return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(sound.rate * kLoopMatchSeconds));
}

// Frames near a junction count most: a raised cosine over the run, at its top at the point.
class Weights {
 public:
  explicit Weights(const SoundFrames& sound) : channels_(sound.channels) {
    const std::uint32_t w = MatchFrames(sound);
    weights_.resize(2 * std::size_t{w} * channels_);
    for (std::size_t i = 0; i < weights_.size(); ++i) {
      const std::size_t whole = i / channels_;  // the value's frame
      const double frame = static_cast<double>(whole) + 0.5;
      weights_[i] = static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * frame / w));
    }
  }
  std::span<const float> values() const { return weights_; }

 private:
  std::size_t channels_;
  std::vector<float> weights_;  // per value of the run, interleaved
};

const float* RunAround(const SoundFrames& sound, std::uint32_t at) {
  return sound.interleaved().data() + std::size_t{at - MatchFrames(sound)} * sound.channels;
}

// The weighted sum of squares of the frames around `at`.
double EnergyAround(const SoundFrames& sound, const Weights& weights, std::uint32_t at) {
  const float* run = RunAround(sound, at);
  const std::span<const float> w = weights.values();
  double energy = 0;
  for (std::size_t i = 0; i < w.size(); ++i) energy += double{w[i]} * run[i] * run[i];
  return energy;
}

// The match of the runs around a loop's two points, whose weighted squares sum to `energy`, or
// a value below `least` once their difference shows that it cannot reach it.
double MatchAt(const SoundFrames& sound, const Weights& weights, LoopPoints loop, double energy,
               double least) {
  if (energy <= 0) return 1;  // both silent: nothing to hear at the junction
  const float* a = RunAround(sound, loop.start);
  const float* b = RunAround(sound, loop.end);
  const std::span<const float> w = weights.values();
  const double most = (1 - least) * energy;
  double difference = 0;
  // Outwards from the point, where the weights are highest: a junction that cannot match is
  // told in the first few strides.
  constexpr std::size_t kStride = 32;
  const std::size_t strides = (w.size() + kStride - 1) / kStride;
  const std::size_t middle = strides / 2;
  for (std::size_t k = 0; k < strides; ++k) {
    const std::size_t stride = k % 2 == 0 ? middle + k / 2 : middle - (k + 1) / 2;
    if (stride >= strides) continue;
    const std::size_t from = stride * kStride;
    float part = 0;  // a short run in floats: the compiler keeps it in vector registers
    for (std::size_t i = from; i < std::min(w.size(), from + kStride); ++i) {
      const float d = a[i] - b[i];
      part += w[i] * d * d;
    }
    difference += part;
    if (difference > most) return least - 1;
  }
  return 1 - difference / energy;
}

bool Inside(const SoundFrames& sound, LoopPoints loop) {
  const std::uint32_t w = MatchFrames(sound);
  return loop.start >= w && loop.end >= loop.start && std::uint64_t{loop.end} + w <= sound.frames;
}

}  // namespace

std::optional<double> LoopMatch(const SoundFrames& sound, LoopPoints loop) {
  if (!Inside(sound, loop)) return std::nullopt;
  const Weights weights(sound);
  const double energy =
      EnergyAround(sound, weights, loop.start) + EnergyAround(sound, weights, loop.end);
  return MatchAt(sound, weights, loop, energy, -1e300);
}

std::optional<SustainLoop> FindSustainLoop(const SoundFrames& sound, FrameRange steady,
                                           const std::function<bool(LoopPoints)>& acceptable) {
  const std::uint32_t w = MatchFrames(sound);
  const auto shortest =
      static_cast<std::uint32_t>(std::ceil(sound.rate * kShortestSustainLoopSeconds));
  const std::uint32_t endLimit = sound.frames > w ? std::min(steady.end, sound.frames - w) : 0;
  const std::uint32_t first = std::max(steady.start, w);
  if (endLimit <= first || endLimit - first < shortest) return std::nullopt;
  const std::uint32_t length = endLimit - first;
  const auto endFrom = endLimit - static_cast<std::uint32_t>(length * kLoopEndReach);
  std::vector<std::uint32_t> ends = RisingCrossings(sound, endFrom, endLimit + 1, kMostLoopEnds);
  std::vector<std::uint32_t> starts =
      RisingCrossings(sound, first, first + length / 2 + 1, kMostLoopStarts);

  const Weights weights(sound);
  std::vector<double> startEnergy;
  startEnergy.reserve(starts.size());
  for (const std::uint32_t start : starts)
    startEnergy.push_back(EnergyAround(sound, weights, start));
  std::vector<double> endEnergy;
  endEnergy.reserve(ends.size());
  for (const std::uint32_t end : ends) endEnergy.push_back(EnergyAround(sound, weights, end));

  // Lengths in bands, longest first, each kLoopLengthTolerance of its top wide: the first band
  // that holds a loop gives its best match.
  std::optional<SustainLoop> best;
  std::uint32_t top = endLimit - first;
  while (!best && top >= shortest) {
    const auto bottom =
        std::max(shortest, static_cast<std::uint32_t>(std::ceil(top * (1 - kLoopLengthTolerance))));
    for (std::size_t e = 0; e < ends.size(); ++e) {
      const std::uint32_t end = ends[e];
      if (end < bottom) continue;
      // Starts lie ascending: those in [end - top, end - bottom].
      const auto from = std::lower_bound(starts.begin(), starts.end(), end - std::min(end, top));
      const auto to = std::upper_bound(from, starts.end(), end - bottom);
      for (auto s = from; s != to; ++s) {
        const LoopPoints loop{*s, end};
        const double energy =
            startEnergy[static_cast<std::size_t>(s - starts.begin())] + endEnergy[e];
        const double match =
            MatchAt(sound, weights, loop, energy, best ? best->match : kLeastLoopMatch);
        if (match < kLeastLoopMatch || (best && match <= best->match)) continue;
        if (acceptable(loop)) best = SustainLoop{loop, match};
      }
    }
    top = bottom - 1;
  }
  return best;
}

}  // namespace tolvane
