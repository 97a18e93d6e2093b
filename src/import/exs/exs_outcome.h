#pragma once
// What an EXS instrument's reader leaves out or approximates that no other format meets.

#include "import/import_outcome.h"

namespace tolvane {

// Zones left out: their group, or their own ranges, leave no key or velocity to play them.
inline constexpr FormatNote kExsNoRange{
    "left out: their group's key or velocity range leaves "
    "them none"};
// Zones left out: their group is muted.
inline constexpr FormatNote kExsMutedGroup{"left out: their group is muted"};
// Zones kept without their group: the group they name is not in the file.
inline constexpr FormatNote kExsGroupMissing{
    "played without a group: the one named is not in the file"};
// Zones whose loop runs backwards: played forwards.
inline constexpr FormatNote kExsBackwardLoop{"loop forwards: backward loops cannot be kept"};
// The instrument's filter is a high-pass or band-pass one: left out.
inline constexpr FormatNote kExsFilterNotLowPass{
    "played without the instrument's filter: only a low-pass filter can be kept"};
// Zones that name a sample the file does not hold.
inline constexpr FormatDamage kExsNoSuchSample{"the sample named is not in the file"};

}  // namespace tolvane
