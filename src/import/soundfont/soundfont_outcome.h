#pragma once
// What a SoundFont bank's reader leaves out for damage to the bank's own records, and what it
// notes of the presets it makes.

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
inline constexpr FormatDamage kPresetGeneratorsOutside{"generators outside the 'pgen' chunk"};
inline constexpr FormatDamage kPresetBagOutside{"bag outside the 'pbag' chunk"};
inline constexpr FormatDamage kInstrumentOutside{"instrument outside the 'inst' chunk"};
// Bounds on what presets make of a hostile bank; real banks stay far below them.
inline constexpr FormatDamage kPresetZonesBeyond{"past the 8192 zones one preset can make"};
inline constexpr FormatDamage kBankZonesBeyond{
    "the presets play more zones than the bank could need"};
inline constexpr FormatNote kPresetSplit{"split into several instruments (too many zones for one)",
                                         "preset"};
// A compressed sample that does not decode; the decoder's reason is the detail and the words.
inline constexpr FormatDamage kStreamUnreadable{
    {}, [](const LeftOut& leftOut) { return leftOut.detail; }};

}  // namespace tolvane
