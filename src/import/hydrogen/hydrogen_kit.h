#pragma once
// A Hydrogen drum kit's drumkit.xml read into plain records. Three forms occur: the oldest give
// an instrument one <filename> and no layers, older ones keep <layer>s directly under
// <instrument> with <pan_L>/<pan_R>, newer ones keep them under <instrumentComponent> with
// <pan> from -1 to 1. All three come out as components of layers.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

struct HydrogenLayer {
  std::string file;  // as written, relative to the kit's folder
  double min = 0;    // velocity range, 0..1
  double max = 1;
  double gain = 1;   // linear
  double pitch = 0;  // semitones
};

// A sound of an instrument; the components of one instrument all play at once.
struct HydrogenComponent {
  double gain = 1;
  std::vector<HydrogenLayer> layers;  // in file order: the first that takes a velocity plays
};

struct HydrogenInstrument {
  std::string name;
  bool muted = false;
  double volume = 1;
  double gain = 1;
  double pan = 0;          // -1 (left) .. 1 (right)
  double pitchOffset = 0;  // semitones, added to every layer's
  // Layers are chosen by velocity (VELOCITY); ROUND_ROBIN and RANDOM alternate between layers
  // of one range.
  bool velocityOnly = true;
  std::vector<HydrogenComponent> components;
};

struct HydrogenKit {
  std::string name;
  std::vector<HydrogenInstrument> instruments;  // in list order: the n-th plays key 36 + n
};

struct HydrogenKitReading {
  std::optional<HydrogenKit> kit;  // set when the text is a kit
  std::string damage;              // otherwise: why the kit cannot be read
};

// Whether `bytes` begin, after an optional byte order mark, XML declaration, comments and
// document type, with the root element <drumkit_info>: looks at the first few kilobytes only,
// so that other files are turned away without being parsed.
bool LooksLikeHydrogenKit(std::span<const std::byte> bytes);

// The kit in `text`. Numbers that cannot be read (or are not finite) keep their defaults;
// a text that is not well-formed XML, or whose root is not <drumkit_info>, is damage.
HydrogenKitReading ReadHydrogenKit(std::string_view text);

}  // namespace tolvane
