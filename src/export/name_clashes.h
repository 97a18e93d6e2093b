#pragma once
// Instruments of one export that the sampler cannot tell apart: the same SoundID (which the
// sampler keys its sounds by), or names that shortened to the same text (which its list
// shows). Both are written as they are; an export names them so that the user can rename or
// leave out one of them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "library/library.h"

namespace tolvane {

struct NameClash {
  enum class Kind : std::uint8_t { SoundId, Name };
  Kind kind = Kind::SoundId;
  // Two or more, in the order given; instruments sharing both are named once, for the SoundID.
  std::vector<const Instrument*> instruments;
};

// The clashes among `checked`, SoundIDs first, each in the order its first instrument comes.
std::vector<NameClash> FindNameClashes(std::span<const Instrument* const> checked);

// "2 instruments share SoundID [3D89798A]: 'Kick' (a/Kick.wav), 'Kick' (b/Kick.wav)" or
// "2 instruments show as 'Bssndtpts-SttngpSmplRvrb': 'Bass and Trumpets ...' (x.sfz), ...",
// in Windows-1252 as the names are.
std::string NameClashText(const NameClash& clash);

}  // namespace tolvane
