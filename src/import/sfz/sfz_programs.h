#pragma once
// An SFZ file of several programs (regions chosen by loprog/hiprog, as General MIDI sets are
// written) as the instruments a player offers: one per program.

#include <string>
#include <vector>

#include "import/sfz/sfz_regions.h"

namespace tolvane {

struct SfzProgram {
  // What tells the program apart in its instrument's name: its label (master_label,
  // group_label, global_label or program_name of its first region that gives one), else its
  // number or range of numbers ("12", "32-39"); empty for a file without programs.
  std::string label;
  SfzInstrument instrument;  // the regions it plays, with the file's control and start values
};

// The programs of `instrument`: one, unlabelled, holding every region, when no region gives
// loprog or hiprog. Otherwise each program number some region names (0 to 127), in order,
// playing the regions whose range holds it (loprog and hiprog default to 0 and 127); neighbours
// playing the same regions are one program over their range.
std::vector<SfzProgram> SplitPrograms(const SfzInstrument& instrument);

}  // namespace tolvane
