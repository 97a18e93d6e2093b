#pragma once
// Zones planned over the files of a SamplePool, built into an instrument in one step: each
// zone's sample filed (shared where the source already holds an equal one), the zones that
// cannot play their file left out and counted, gains above 0 dB folded into the samples. What
// differs between the formats is told by the plan and by SampleRules.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "import/import_outcome.h"
#include "import/sample_pool.h"
#include "library/library.h"
#include "library/zone.h"

namespace tolvane {

// A loop end past any sample's end: the loop runs to the end of the sample, whatever its file's
// own loop says.
inline constexpr std::uint32_t kLoopToEnd = 0xFFFFFFFF;

// One part of an instrument (a region, a zone, a drum layer, a file) to be played from the pool.
struct SampleZonePlan {
  std::size_t file = 0;  // index into the pool
  // Two mono files as one stereo sample: `file` is the left channel, this the right one.
  std::optional<std::size_t> right;
  // Every field but the sample, the stereo flag and the loop flag; one zone for most formats,
  // one per velocity run for a drum layer. All of them play one sample.
  std::vector<Zone> zones;
  std::string name;     // the sample's name (Windows-1252): its file's stem
  std::string subject;  // the path a left-out part is named by

  // Where the sample ends: the file cut after this many frames (nothing: the file's end). An
  // end at or before `start` marks no end.
  std::optional<std::uint32_t> frames;
  // The first frame played, moved inside the sample; sets the zones' start offsets. Nothing:
  // the zones keep theirs.
  std::optional<std::uint32_t> start;
  // Loop points of the zone's own (the end past the loop's last frame, kLoopToEnd for the
  // sample's end); each one not given is the file's, else the whole sample's.
  std::optional<std::uint32_t> loopStart;
  std::optional<std::uint32_t> loopEnd;
  std::optional<bool> looped;  // nothing: as the file has a loop or not
  // The root key of the zone's own instead of the file's (else 60).
  std::optional<std::uint32_t> rootKey;

  // Asked of the sample; above 0 dB folded into its values (AddFoldedZones).
  double gainDb = 0;
  // What the instrument only approximates of this part: noted when the part is kept.
  std::vector<NoteKind> notes;
};

// When a zone's sample is one of its own, named after its loop ("NAME START-END"), rather than
// the file's sample that plays the file's loop.
enum class OwnLoop : std::uint8_t {
  // The zone gives loop points other than the file's; compared and named as written, even
  // past the sample's end (SFZ).
  WrittenPoints,
  // The zone gives loop points that, brought inside the sample, differ from the file's
  // (Decent Sampler).
  KeptPoints,
  // The zone loops, inside the sample, elsewhere than the file's loop; an empty loop does not
  // loop (Bitwig, Hydrogen).
  PlayedLoop,
};

// How one format's zones take their samples: the same for every zone of an import.
struct SampleRules {
  PartKind part = PartKind::Zone;  // what the format calls a part left out
  OwnLoop ownLoop = OwnLoop::KeptPoints;
  // The file's fine tuning goes with the file's root key: kept unless the zone names another
  // root key. Otherwise it is never kept.
  bool fileTuning = true;
  // Gains up to this much above 0 dB are 0 dB: float noise in the format's numbers must not
  // scale samples other instruments share.
  double gainToleranceDb = 0;
};

// Adds the parts of `plans` to `instrument`, in order, playing the decoded files of `pool`.
// Parts whose file cannot be played (not read, more than two channels, or refused by the
// library) are left out into `drops` as `rules.part`, named by their subject. Equal samples
// are shared with every instrument of the source built from `pool`; a sample some part asks
// more than 0 dB of takes the largest such gain into its values, and is shared only with the
// instruments that ask the same largest gain of its file. Returns the number of parts kept.
// REQUIRES: `pool` decoded; every index a plan gives is the pool's.
std::size_t AddSampleZones(Instrument& instrument, std::span<const SampleZonePlan> plans,
                           const SamplePool& pool, const SampleRules& rules, ImportDrops& drops);

// The end of an import of one instrument: an instrument with zones is averaged and added to
// `library`, and the outcome is drops.Finish(); one without zones is thrown away, the outcome
// drops.Finish(whyEmpty).
ImportOutcome FinishInstrument(Library& library, std::unique_ptr<Instrument> instrument,
                               const ImportDrops& drops, std::string whyEmpty);

}  // namespace tolvane
