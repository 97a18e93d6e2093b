#pragma once
// The user's choices that change what an import makes of the files it is given.

namespace tolvane {

// Which octave number a sample name's note takes for middle C (MIDI key 60): packs made for
// Ableton, Bitwig or Reason name it C3, packs made for SFZ players C4.
enum class MiddleC { C3, C4 };

struct ImportSettings {
  // Used for a folder whose names do not settle the convention themselves.
  MiddleC middleC = MiddleC::C3;
};

}  // namespace tolvane
