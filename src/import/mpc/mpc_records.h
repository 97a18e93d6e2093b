#pragma once
// The record layer of MPC programs (.xpm in their XML form): the program, its instruments (a
// keygroup or a pad each) and their layers as the file lays them out, numbers as written, the
// format's defaults where an element is missing. Knows nothing of zones.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

enum class MpcProgramType : std::uint8_t { Keygroup, Drum, Other };

// How the layers of an instrument take turns (ZonePlay).
enum class MpcLayerPlay : std::uint8_t { Cycle, Velocity, Random, Unknown };

struct MpcLayer {
  bool active = true;
  bool mute = false;       // <= 2.x
  std::string sampleName;  // UTF-8, as written (may end in spaces)
  std::string sampleFile;  // usually empty
  int velStart = 0;
  int velEnd = 127;
  double volume = 1;     // linear amplitude
  double pan = 0.5;      // 0..1, 0.5 centre
  double semitones = 0;  // Pitch, else TuneCoarse + TuneFine / 100
  int rootNote = 0;      // MIDI note + 1; 0: none
  int sliceIndex = 128;  // 0..127 a slice, 128 the whole sample, 129 the pad's region
  // The region the device plays and loops, in frames; nothing where the element is missing.
  std::optional<double> sliceStart;
  std::optional<double> sliceEnd;
  std::optional<int> sliceLoop;  // 0 off, else on
  double sliceLoopStart = 0;
  // Legacy copies, used where the Slice* fields say nothing.
  double sampleStart = 0;
  double sampleEnd = 0;
  std::optional<bool> loop;
  double loopStart = 0;
  double loopEnd = 0;
  bool reverse = false;  // Direction 1
};

// The synthesis fields an instrument holds, and a Keygroup XL program's SynthSection.
struct MpcSynth {
  int filterType = 0;  // 0 off; see mpc_zone.cpp for the low-pass ones
  double cutoff = 1;
  double resonance = 0;
  // 0..1 each; nothing where not written.
  std::optional<double> attack;
  std::optional<double> hold;
  std::optional<double> decay;
  std::optional<double> sustain;
  std::optional<double> release;
  bool attackDecayOnly = false;  // VolumeADEnvelope
};

struct MpcInstrument {
  int number = 0;  // 1-based, as written
  int lowNote = 0;
  int highNote = 127;
  MpcLayerPlay play = MpcLayerPlay::Velocity;
  bool oneShot = false;  // OneShot True (<= 2.x) or TriggerMode 0 (3.x)
  double volume = 1;
  double pan = 0.5;
  double semitones = 0;
  MpcSynth synth;
  std::vector<MpcLayer> layers;  // in document order
};

struct MpcProgram {
  MpcProgramType type = MpcProgramType::Other;
  std::string typeName;  // the `type` attribute as written
  std::string name;      // ProgramName (1.x: Name), UTF-8; may be empty
  double volume = 1;
  double pan = 0.5;
  double semitones = 0;
  std::optional<int> keygroups;  // KeygroupNumKeygroups
  // PadNoteMap: pad number to note; empty when the program has none.
  std::map<int, int> padNotes;
  // The program-wide amplifier envelope a Keygroup XL program plays instead of each
  // instrument's (AmpEnvGlobal).
  std::optional<MpcSynth> globalSynth;
  std::vector<MpcInstrument> instruments;  // in document order
};

struct MpcReading {
  std::optional<MpcProgram> program;
  std::string refusal;  // otherwise why, for people
};

// Reads the XML text of a program. Refused when it is not well-formed XML, its root is not
// <MPCVObject> or it holds no <Program>. Of elements written twice the first counts; numbers
// that cannot be read, or are not finite, keep the default.
MpcReading ReadMpcProgram(std::string_view text);

// Whether `bytes` start as a gzip stream does: the MPC 3 JSON form of a program or track.
bool IsGzip(std::string_view bytes);

}  // namespace tolvane
