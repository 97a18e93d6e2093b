#pragma once
// Which layer of a Hydrogen instrument each MIDI velocity plays, as velocity ranges of zones.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "import/hydrogen/hydrogen_kit.h"

namespace tolvane {

// A run of MIDI velocities that one layer plays.
struct VelocitySpan {
  std::size_t layer = 0;  // index into the layers given
  std::uint8_t low = 1;
  std::uint8_t high = 127;
  bool operator==(const VelocitySpan&) const = default;
};

// The velocities 1..127 shared out among `layers` as Hydrogen chooses a layer for a note of
// velocity v / 127: the first layer in file order whose min..max holds it (a boundary two
// layers share goes to the earlier one); a velocity no range holds plays the layer whose range
// is nearest (the earlier of two as near). Ranges are compared with a thousandth of a velocity
// step to spare, for the six digits kits are written with. The spans come in velocity order,
// each starting one above the last one's end, from 1 to 127: no velocity is left without a
// layer or given two. A layer whose velocities are split by an earlier layer's range gets a
// span for each run; one that no velocity reaches gets none. Empty for no layers.
std::vector<VelocitySpan> ShareVelocities(std::span<const HydrogenLayer> layers);

}  // namespace tolvane
