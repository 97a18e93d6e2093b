#pragma once
// The export options that listen to the samples: a sustain loop sought where a sample played by
// a sustaining zone has none, and the root key measured where nobody gave one (and checked
// where somebody did). What they find goes into the export set, as normalising and snapping do,
// never into the library; every finding is a note.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/work_progress.h"
#include "export/export_set.h"

namespace tolvane {

struct SoundOptions {
  // Sustain loops are sought when set, their ends crossfaded over this many milliseconds (0:
  // none; at most kLongestCrossfadeMs).
  std::optional<double> autoLoopCrossfadeMs;
  // Root keys nobody gave are measured; given ones that are an octave or more off are named.
  bool detectRoot = false;

  bool any() const { return autoLoopCrossfadeMs.has_value() || detectRoot; }
};

enum class SoundFinding {
  kLoopFound,
  kNoLoopMatches,  // the steady part holds no loop that matches without a click
  kRootMeasured,
  kNoPitch,    // no root key given, and no steady pitch to take one from
  kOctaveOff,  // a given root key an octave or more from the measured pitch
};

struct SoundNote {
  SoundFinding finding = SoundFinding::kLoopFound;
  std::string instrument;  // the first exported instrument that plays the sample (Windows-1252)
  std::string sample;
  LoopPoints loop;            // kLoopFound
  double seconds = 0;         // kLoopFound: the loop's length
  double match = 0;           // kLoopFound
  double crossfadeMs = 0;     // kLoopFound: as written, 0 for none
  double hz = 0;              // kRootMeasured, kOctaveOff: the pitch measured
  double semitones = 0;       // kOctaveOff: measured less meant, + when the sound is higher
  std::uint32_t rootKey = 0;  // kRootMeasured: the key taken; kOctaveOff: the one given
  std::int32_t cents = 0;     // kRootMeasured: the tuning taken
};

// Seeks loops and measures pitches, as `options` asks, in the samples the members of the set's
// groups play, every sample on a core of its own, and writes what is found into the groups
// (ExportGroup::loops, values, tunings, loopedZones). Returns the notes in group and sample
// order. A sample's loop is sought when no member zone plays it looped, some member zone that
// plays it sustains (ZoneSustains) and it has frames; it is taken only if the export's click
// check passes it. `progress` may cancel: the notes then stop short, and the set is left
// part-done (a cancelled export writes nothing).
std::vector<SoundNote> AnalyseSounds(ExportSet& set, const SoundOptions& options,
                                     const WorkProgress* progress = nullptr);

// "Pad: sustain loop 4410-48510 found in sample 'Pad C3' (match 0.991, 1.00 s)", in
// Windows-1252.
std::string SoundNoteText(const SoundNote& note);

}  // namespace tolvane
