#pragma once
// What the sampler plays: an instrument's zones with their parameters made absolute and resolved
// into the units the voices use, and its own copy of every sample the zones play. Immutable once
// built, so the render thread can read it while the library it came from is replaced or freed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/work_progress.h"
#include "export/export_set.h"
#include "export/sound_analysis.h"
#include "library/library.h"

namespace tolvane {

struct PlayableSample {
  std::vector<std::int16_t> data;  // frames x channels values, interleaved
  std::uint32_t channels = 1;
  std::uint32_t frames = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::int32_t pitchCorrection = 0;  // cents
};

// One voice a zone starts: a dual zone starts two.
struct PlayableLayer {
  std::uint32_t startFrame = 0;
  std::int32_t tuneCents = 0;  // coarse and fine tune together
  std::int32_t pan = 0;        // -100 hard left .. 100 hard right
};

// Volume envelope in SoundFont 2 units: timecents and centibels.
struct EnvelopeSettings {
  std::int32_t attack = -12000;
  std::int32_t hold = -12000;
  std::int32_t decay = -12000;
  std::int32_t release = -12000;
  std::int32_t sustain = 0;  // attenuation in centibels while the key is held
  std::int32_t keynumToHold = 0;
  std::int32_t keynumToDecay = 0;
};

struct PlayableZone {
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint8_t velLow = 0;
  std::uint8_t velHigh = 127;
  std::size_t sample = 0;  // index into PlayableInstrument::samples
  std::uint8_t rootKey = 60;
  std::int32_t centsPerKey = 100;
  bool loop = false;
  std::array<PlayableLayer, 2> layers{};
  std::size_t layerCount = 1;
  double attenuationDb = 0;
  std::int32_t filterCutoff = 13500;  // absolute cents
  std::int32_t filterQ = 0;           // centibels
  EnvelopeSettings envelope;
};

struct PlayableInstrument {
  std::vector<PlayableSample> samples;
  std::vector<PlayableZone> zones;  // in the instrument's zone order
};

// A copy of what `instrument` plays. Zones without a sample or with an empty one are left out.
// The zones of an instrument that holds only differences (Instrument::differencesOnly) are
// played as differences from the zone defaults. With `written`, the export group that holds
// the instrument, its samples play as the export writes them: with the loops, values, root
// keys and looped zones the group holds in place of the library's.
std::shared_ptr<const PlayableInstrument> MakePlayable(const Instrument& instrument,
                                                       const ExportGroup* written = nullptr);

// What `instrument` plays as an export with `options` writes it: MakePlayable with the group of
// an export set of its own that AnalyseSounds has listened to; what it found goes to `notes`
// when given. Nothing when `progress` cancels.
std::shared_ptr<const PlayableInstrument> MakePlayableAsWritten(
    const Instrument& instrument, const SoundOptions& options,
    const WorkProgress* progress = nullptr, std::vector<SoundNote>* notes = nullptr);

// Said wherever such an instrument is played (render, the list's tool tip), in the words of
// someone who only knows that they dropped a SiFi file.
inline constexpr std::string_view kDifferencesOnlyNote =
    "Read from a SiFi file, which keeps this instrument's level, envelope and filter only as "
    "changes to settings it does not hold: heard here from default settings, it may sound "
    "louder or quieter, shorter or longer than the instrument the file was made from. Samples, "
    "keys, velocities, loops and tuning play as stored.";

}  // namespace tolvane
