#pragma once
// What an MPC program holds that the instrument made of it cannot play, or that is not read.

#include "import/import_outcome.h"

namespace tolvane {

inline constexpr FormatNote kMpcInstrumentPastCount{
    "left out: past the program's keygroup count, numbered twice or outside 1 to 128",
    "instrument"};
inline constexpr FormatNote kMpcSliceWhole{
    "played over the layer's whole region: a slice's own bounds (kept in the sample) are not "
    "read",
    "layer"};
inline constexpr FormatNote kMpcFilterNotKept{
    "played unfiltered: only the low-pass filters are kept", "layer"};
// Files of an expansion no program plays: previews, demo sequences, caches, MPC 3 tracks.
inline constexpr FormatNote kMpcPassedOver{
    "of the expansion that no program plays (previews, sequences, caches, tracks, artwork) "
    "passed over",
    "file"};

}  // namespace tolvane
