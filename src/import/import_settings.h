#pragma once
// The user's choices that change what an import makes of the files it is given.

namespace tolvane {

// Which octave number a sample name's note takes for middle C (MIDI key 60): packs made for
// Ableton, Bitwig or Reason name it C3, packs made for SFZ players C4.
enum class MiddleC { C3, C4 };

// What a SoundFont bank becomes: one instrument per instrument record, or one per preset (the
// sounds a player chooses by bank and program), built as a player builds them.
enum class SoundFontMode { Instruments, Presets };

struct ImportSettings {
  // Used for a folder whose names do not settle the convention themselves.
  MiddleC middleC = MiddleC::C3;
  SoundFontMode soundFont = SoundFontMode::Instruments;
};

}  // namespace tolvane
