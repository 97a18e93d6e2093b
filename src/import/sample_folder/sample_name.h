#pragma once
// What a sample file's name says about the sample: the note it was recorded at, its velocity
// layer, its round robin and its stereo half, apart from the rest of the name (the instrument).

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "import/import_settings.h"

namespace tolvane {

// A note as named, before an octave convention makes it a key: `C#3` is {1, 3}, `Cb3` {-1, 3}.
struct NoteName {
  int semitone = 0;  // from the octave's C, -1 (Cb) to 12 (B#)
  int octave = 0;    // -2 to 9
  bool operator==(const NoteName&) const = default;
};

// The MIDI key of `note` when middle C is named as `middleC` says; nothing outside 0..127.
std::optional<int> NoteKey(NoteName note, MiddleC middleC);

// The convention under which `note` is `key`, when one of the two makes it so.
std::optional<MiddleC> ConventionOf(NoteName note, int key);

enum class LayerKind {
  Number,   // v1, vl2, vel64, V127, layer3, level1: an index or a velocity, the folder tells which
  Dynamic,  // ppp .. fff, soft / med / hard: ranked on one scale
};

struct SampleLayer {
  LayerKind kind = LayerKind::Number;
  int value = 0;  // the number, or the dynamic's rank (ppp 0 .. fff 7)
  auto operator<=>(const SampleLayer&) const = default;
};

enum class SampleChannel { None, Left, Right };

struct SampleName {
  // The name without the tokens below and the separators before them: what files of one
  // instrument share. Empty when the name is only such tokens.
  std::string stem;
  std::optional<NoteName> note;   // C3, c#3, Db3, ab3, C-1
  std::optional<int> midiNumber;  // 60, 021: two or three digits, 0..127
  std::optional<SampleLayer> layer;
  std::optional<int> roundRobin;  // rr2, r2, seq2, alt2
  SampleChannel channel = SampleChannel::None;
  std::string channelToken;  // the channel as spelled, with the separator before it ("_L")

  // Parses a file name without its extension. The first token of each kind counts; later ones
  // stay in the stem. A number counts as a key when the name has no note, or when it is the
  // note's key under one of the two conventions (A_029__F1); otherwise it stays in the stem.
  static SampleName Parse(std::string_view name);

  // The key the name gives, under `middleC` for a name with a note but no number.
  std::optional<int> Key(MiddleC middleC) const;
};

}  // namespace tolvane
