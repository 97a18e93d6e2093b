#pragma once
// SFZ regions as a sampler of ours can keep them: each region's opcodes after inheritance
// (global, master, group, region), and the choices made once for what such a sampler cannot
// play (release triggers, round robins, key switches, controller gates).

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_outcome.h"
#include "import/sfz/sfz_controllers.h"
#include "import/sfz/sfz_parser.h"

namespace tolvane {

using SfzOpcodes = std::map<std::string, std::string, std::less<>>;

struct SfzRegion {
  SfzOpcodes opcodes;  // the region's own over its group's over its master's over its global's
  SfzOpcodes control;  // the <control> opcodes read before it (default_path, note_offset, ...)
};

struct SfzInstrument {
  SfzOpcodes control;  // the opcodes of every <control> header
  // set_ccN and set_hdccN of any header, the last in file order winning: the format keeps them
  // in <control>, but files put them in <global> too, and a controller has one start value.
  SfzControllerStarts starts;
  std::vector<SfzRegion> regions;
};

// Regions with inherited opcodes, in file order. <curve>, <effect>, <midi> and unknown headers
// are skipped with their opcodes.
SfzInstrument CollectRegions(const std::vector<SfzSection>& sections);

// A key as a MIDI number: a number, or a note name ("c4" = 60, "c#4", "db4"), shifted by
// `offset` semitones. Nothing for text that is neither.
std::optional<int> ParseSfzKey(std::string_view text, int offset = 0);

// The control header's note_offset + 12 x octave_offset.
int SfzKeyOffset(const SfzOpcodes& control);

struct SfzChoice {
  std::vector<SfzRegion> kept;
  // When regions went and none is kept: why, for people ("every region waits for controller
  // 74 >= 1", the gate most regions wait for; or the built-in generator every region plays).
  // Empty when some region is kept or the file has none.
  std::string whyNone;
};

// The regions kept, in order: regions playing a built-in generator (sample=*noise) go;
// release-triggered ones go; of round robins the first (sequence position 1, random range
// starting at 0); of controller gates those open at the controllers' start values (`starts`,
// else 0); of key switches those of the default switch (sw_default, else the lowest sw_last).
// Each region that goes is counted in `notes` by why, the first reason that applies.
SfzChoice ChooseRegions(const SfzInstrument& instrument, ImportDrops& notes);

// The value of `name` as a number; nothing when absent or not a number.
std::optional<double> SfzNumber(const SfzOpcodes& opcodes, std::string_view name);

}  // namespace tolvane
