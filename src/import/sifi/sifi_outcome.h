#pragma once
// What a SiFi file's reader leaves out for damage to the file's own entries.

#include "import/import_outcome.h"

namespace tolvane {

inline constexpr FormatDamage kEntryOutsideGroup{"entry outside the group"};
inline constexpr FormatDamage kZoneEntryTooOften{
    "zone entry named more often than the group could need"};
inline constexpr FormatDamage kSampleNot16Bit{"sample that is not 16-bit mono or stereo"};
inline constexpr FormatDamage kGroupHeaderCut{"header that does not fit the chunk"};
inline constexpr FormatDamage kSampleEntryOutsideGroup{"sample entry outside the group"};
inline constexpr FormatDamage kSampleWithoutFrameSize{
    "sample without a frame size (no channel or under 8 bits)"};
inline constexpr FormatDamage kSampleDataOutsideGroup{"sample data outside the group"};
inline constexpr FormatDamage kSampleDataTooOftenInGroup{
    "sample data asked for more often than the group could need"};

}  // namespace tolvane
