#pragma once
// What a DLS bank holds that a zone cannot keep.

#include "import/import_outcome.h"

namespace tolvane {

// Connections of an articulation left out: LFO, velocity or controller sources.
inline constexpr FormatNote kModulation{
    "left out: modulation (LFO, velocity, controllers) a zone cannot hold", "connection"};

// Regions left out that play a wave without sample frames: nothing audible is lost.
inline constexpr FormatNote kEmptyWave{"left out: a wave without sample frames plays nothing"};

}  // namespace tolvane
