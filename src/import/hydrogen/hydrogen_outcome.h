#pragma once
// What a Hydrogen drum kit holds that the instrument made of it cannot play.

#include "import/import_outcome.h"

namespace tolvane {

inline constexpr FormatNote kMutedInstrument{"left out: muted in the kit", "instrument"};
inline constexpr FormatNote kUnreachedLayer{"left out: played at no velocity", "layer"};
inline constexpr FormatNote kKeyPastRange{"left out: past key 127", "instrument"};

}  // namespace tolvane
