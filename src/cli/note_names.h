#pragma once
// Keys as a user writes them for render: a MIDI key number, or a note name as SFZ writes it.

#include <optional>
#include <string_view>

namespace tolvane::cli {

// 0..127, or a name: a letter A-G in either case, then '#' or 'b' if any, then the octave, with
// C4 = 60 as in SFZ and the MIDI standard ("c4", "C#4", "Db4", "C-1" = 0, "G9" = 127). Nothing
// for anything else, or a key outside 0..127.
std::optional<int> KeyNamed(std::string_view text);

}  // namespace tolvane::cli
