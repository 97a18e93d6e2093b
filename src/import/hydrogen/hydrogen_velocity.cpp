#include "import/hydrogen/hydrogen_velocity.h"

#include <limits>

namespace tolvane {
namespace {

constexpr double kTopVelocity = 127;
constexpr double kSlack = 1e-3;  // of a velocity step

// How far velocity `v` (in steps) lies outside the layer's range; 0 inside it.
double Distance(const HydrogenLayer& layer, double v) {
  const double low = layer.min * kTopVelocity - kSlack;
  const double high = layer.max * kTopVelocity + kSlack;
  if (v < low) return low - v;
  if (v > high) return v - high;
  return 0;
}

std::size_t LayerFor(std::span<const HydrogenLayer> layers, double v) {
  std::size_t nearest = 0;
  double shortest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const double distance = Distance(layers[i], v);
    if (distance == 0) return i;
    if (distance < shortest) {
      shortest = distance;
      nearest = i;
    }
  }
  return nearest;
}

}  // namespace

std::vector<VelocitySpan> ShareVelocities(std::span<const HydrogenLayer> layers) {
  std::vector<VelocitySpan> spans;
  if (layers.empty()) return spans;
  for (int v = 1; v <= 127; ++v) {
    const std::size_t layer = LayerFor(layers, v);
    const auto velocity = static_cast<std::uint8_t>(v);
    if (!spans.empty() && spans.back().layer == layer) {
      spans.back().high = velocity;
    } else {
      spans.push_back(VelocitySpan{layer, velocity, velocity});
    }
  }
  return spans;
}

}  // namespace tolvane
