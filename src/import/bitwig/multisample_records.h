#pragma once
// The records of a Bitwig / PreSonus multisample's "multisample.xml", as the file lays them out:
// attributes read with the format's defaults, nothing yet of zones.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

enum class MultisampleLoopMode : std::uint8_t { Off, Forward, PingPong };

// A <loop> element: when there is one it decides, even to switch off a loop the file has.
struct MultisampleLoop {
  MultisampleLoopMode mode = MultisampleLoopMode::Off;
  double start = 0;            // frames
  std::optional<double> stop;  // frames, past the loop's last one; nothing: the sample's end
};

struct MultisampleSample {
  std::string file;            // relative to the multisample's root, as written
  double start = 0;            // sample-start, frames
  std::optional<double> stop;  // sample-stop, frames, exclusive; nothing: the file's end
  double gainDb = 0;           // the gain asked for, unchanged
  bool reverse = false;
  bool roundRobin = false;  // zone-logic="round-robin"
  int root = 60;            // <key>
  int keyLow = 0;
  int keyHigh = 127;
  double tune = 0;      // semitones, fractions as fine tuning
  double track = 1;     // pitch per key: 1 normal, 0 fixed
  int velocityLow = 1;  // <velocity>
  int velocityHigh = 127;
  std::optional<MultisampleLoop> loop;
};

struct Multisample {
  std::string name;                        // the name attribute, UTF-8; may be empty
  std::vector<MultisampleSample> samples;  // in document order
};

struct MultisampleReading {
  std::optional<Multisample> multisample;
  std::string refusal;  // otherwise why, for people
};

// Reads the text of a multisample.xml. Refused when it is not well-formed XML or its root is not
// <multisample>. Unknown elements and attributes are ignored; a number that cannot be read (or
// is not finite) keeps the default.
MultisampleReading ReadMultisample(std::string_view text);

}  // namespace tolvane
