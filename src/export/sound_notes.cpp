// The words of the sound options' findings (AnalyseSounds).

#include <cmath>
#include <cstdio>

#include "export/sound_analysis.h"

namespace tolvane {
namespace {

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Signed(std::int32_t cents) {
  return (cents > 0 ? "+" : "") + std::to_string(cents);
}

}  // namespace

std::string SoundNoteText(const SoundNote& note) {
  const std::string head = note.instrument + ": ";
  const std::string sample = "sample '" + note.sample + "'";
  switch (note.finding) {
    case SoundFinding::kLoopFound: {
      std::string text = head + "sustain loop " + std::to_string(note.loop.start) + "-" +
                         std::to_string(note.loop.end) + " found in " + sample + " (match " +
                         Fixed(note.match, 3) + ", " + Fixed(note.seconds, 2) + " s)";
      if (note.crossfadeMs > 0) text += ", crossfaded over " + Fixed(note.crossfadeMs, 1) + " ms";
      return text;
    }
    case SoundFinding::kNoLoopMatches:
      return head + "no sustain loop found in " + sample +
             ": no junction in its steady part matches without a click, it stays unlooped";
    case SoundFinding::kRootMeasured:
      return head + sample + " has no root key given: measured " + Fixed(note.hz, 1) +
             " Hz, root key " + std::to_string(note.rootKey) + " " + Signed(note.cents) + " cents";
    case SoundFinding::kNoPitch:
      return head + sample + " has no root key given and no steady pitch: root key " +
             std::to_string(note.rootKey) + " kept";
    case SoundFinding::kOctaveOff:
      return head + sample + " sounds " + Fixed(std::abs(note.semitones), 1) + " semitones " +
             (note.semitones > 0 ? "above" : "below") + " its root key " +
             std::to_string(note.rootKey) + " (measured " + Fixed(note.hz, 1) +
             " Hz): left as it is";
  }
  return head + sample;
}

}  // namespace tolvane
