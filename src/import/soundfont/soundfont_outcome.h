#pragma once
// What a SoundFont bank's reader leaves out for damage to the bank's own records.

#include <string>

#include "import/import_outcome.h"

namespace tolvane {

inline constexpr FormatDamage kGeneratorsOutside{"generators outside the 'igen' chunk"};
inline constexpr FormatDamage kBagOutside{"bag outside the 'ibag' chunk"};
inline constexpr FormatDamage kSampleHeaderOutside{"sample header outside the 'shdr' chunk"};
inline constexpr FormatDamage kStereoLinkOutside{
    "stereo link to a sample header outside the 'shdr' chunk"};
inline constexpr FormatDamage kSampleDataOutside{
    "sample data outside the 'smpl' chunk or running backwards"};
// A compressed sample that does not decode; the decoder's reason is the detail and the words.
inline constexpr FormatDamage kStreamUnreadable{
    {}, [](const LeftOut& leftOut) { return leftOut.detail; }};

}  // namespace tolvane
