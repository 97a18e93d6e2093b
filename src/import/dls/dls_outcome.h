#pragma once
// What a DLS bank holds that a zone cannot keep.

#include "import/import_outcome.h"

namespace tolvane {

// Connections of an articulation left out: LFO, velocity or controller sources.
inline constexpr FormatNote kModulation{
    "left out: modulation (LFO, velocity, controllers) a zone cannot hold", "connection"};

}  // namespace tolvane
