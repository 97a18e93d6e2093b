#include "export/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "analysis/crossfade.h"
#include "analysis/sample_pitch.h"
#include "analysis/sound_level.h"
#include "analysis/sustain_loop.h"
#include "base/all_cores.h"
#include "export/loop_junction.h"
#include "library/zone.h"

namespace tolvane {
namespace {

// A pitch this far from the one its root key means is named; a little under an octave, for
// the measurement's and the tuning's sake.
constexpr double kOctaveOffSemitones = 11.5;
constexpr std::size_t kCheckPitchFrames = 3;

enum class PitchWork { kNone, kMeasure, kCheck };

// A zone that plays a sample, with the key its sound is meant to have there.
struct Player {
  const Instrument* instrument = nullptr;
  const Zone* zone = nullptr;
};

// One sample of one group, and what is asked of it.
struct Job {
  ExportGroup* group = nullptr;
  const Sample* sample = nullptr;
  std::vector<Player> players;          // every member zone that plays it, in member order
  std::vector<const Zone*> sustaining;  // of them, those that sustain (a loop is sought)
  bool seekLoop = false;
  bool looped = false;  // some member zone plays it looped
  PitchWork pitch = PitchWork::kNone;
};

struct Outcome {
  bool analysed = false;
  bool steady = false;  // long enough for the shortest loop
  std::optional<SustainLoop> loop;
  std::optional<SampleData> faded;  // the values with the crossfade, when one was asked
  std::uint32_t fadeFrames = 0;
  std::optional<SamplePitch> pitch;
};

bool HasFrames(const Sample& sample) {
  return sample.frames > 0 && sample.sampleRate > 0 &&
         (sample.channels == 1 || sample.channels == 2) &&
         sample.data.size() >= std::size_t{sample.frames} * sample.channels;
}

std::vector<Job> PlanJobs(ExportSet& set, const SoundOptions& options) {
  std::vector<Job> jobs;
  for (ExportGroup& group : set.groups) {
    if (group.sampleGroup == nullptr) continue;
    std::unordered_map<const Sample*, std::vector<Player>> players;
    for (const Instrument* member : group.members)
      for (const Zone& zone : member->zones)
        if (zone.sample != nullptr) players[zone.sample].push_back({member, &zone});
    for (const Sample* sample : group.sampleGroup->samples) {
      const auto found = players.find(sample);
      if (found == players.end() || !HasFrames(*sample)) continue;
      Job job{&group, sample, found->second, {}, false, false, PitchWork::kNone};
      // A zone that gives its own root key (an SFZ region's pitch_keycenter) gives it for the
      // sample too: its tuning is then not for the sound to set.
      bool rootGiven = sample->rootKeyGiven;
      for (const Player& player : job.players) {
        job.looped |= (player.zone->mapping.flags & ZoneLoop) != 0;
        rootGiven |= player.zone->mapping.overridingRootKey != 0;
        if (ZoneSustains(*player.instrument, *player.zone)) job.sustaining.push_back(player.zone);
      }
      job.seekLoop = options.autoLoopCrossfadeMs && !job.looped && !job.sustaining.empty();
      if (options.detectRoot) job.pitch = rootGiven ? PitchWork::kCheck : PitchWork::kMeasure;
      if (job.seekLoop || job.pitch != PitchWork::kNone) jobs.push_back(std::move(job));
    }
  }
  return jobs;
}

// The key a zone means its sample to sound at: its root key (the zone's own when it overrides
// the sample's) less its tuning.
double MeantKey(const Player& player, const Sample& sample) {
  const ZoneMapping& m = player.zone->mapping;
  const double root = m.overridingRootKey != 0 ? m.overridingRootKey : ClampRootKey(sample.rootKey);
  return root - m.coarseTune - (m.fineTune + sample.pitchCorrection) / 100.0;
}

// The lowest pitch any zone of `job` means its sample to have, in Hz.
double MeantHz(const Job& job) {
  double lowest = 127;
  for (const Player& player : job.players) lowest = std::min(lowest, MeantKey(player, *job.sample));
  return 440 * std::exp2((lowest - 69) / 12);
}

// The pitch of the sample as it plays: a looped one over its loop, which is its steady part
// (repeated when too short for a frame: a single-cycle wave), any other over the steady part of
// its level (`sound` when it was read whole).
std::optional<SamplePitch> MeasurePitch(const Job& job, const SoundFrames* sound) {
  const Sample& sample = *job.sample;
  const MonoReader read = [&sample](std::size_t from, std::span<float> out) {
    ReadMono(sample.data, sample.channels, from, out);
  };
  // A check only has to tell octaves apart: fewer frames do, and every sample of a bank is
  // checked.
  const bool check = job.pitch == PitchWork::kCheck;
  const std::size_t frames = check ? kCheckPitchFrames : kPitchFrames;
  const double lowestHz = check ? LowestPitchToCheck(MeantHz(job)) : kLowestPitchHz;
  const LoopPoints loop = ClampLoop(sample.frames, sample.loopStart, sample.loopEnd);
  if (job.looped && loop.end > loop.start) {
    const std::size_t length = PitchFrameLength(sample.sampleRate, lowestHz);
    if (loop.end - loop.start >= length)
      return MeasureSamplePitch(read, sample.sampleRate, {loop.start, loop.end}, frames, lowestHz);
    // Too short a loop for a frame (a single-cycle wave): the loop played over and over, read
    // once rather than the whole sample before it.
    std::vector<float> cycle(loop.end - loop.start);
    ReadMono(sample.data, sample.channels, loop.start, cycle);
    const MonoReader repeat = [&cycle](std::size_t from, std::span<float> out) {
      for (std::size_t i = 0; i < out.size(); ++i) out[i] = cycle[(from + i) % cycle.size()];
    };
    return MeasureSamplePitch(repeat, sample.sampleRate,
                              {0, static_cast<std::uint32_t>(3 * length)}, frames, lowestHz);
  }
  if (sound != nullptr) {
    const LevelCurve level = MeasureLevel(*sound);
    return MeasureSamplePitch(*sound, level, FindSteadyPart(level));
  }
  const LevelCurve level =
      MeasureLevel(sample.data, sample.channels, sample.frames, sample.sampleRate);
  return MeasureSamplePitch(read, sample.sampleRate, PitchPart(level, FindSteadyPart(level)),
                            frames, lowestHz);
}

Outcome Analyse(const Job& job, double crossfadeMs) {
  const Sample& sample = *job.sample;
  Outcome outcome;
  outcome.analysed = true;
  if (!job.seekLoop) {
    // The pitch alone reads a few frames: the values are not made floats whole.
    outcome.pitch = MeasurePitch(job, nullptr);
    return outcome;
  }
  const SoundFrames sound =
      ReadSound(sample.data, sample.channels, sample.frames, sample.sampleRate);
  const LevelCurve level = MeasureLevel(sound);
  const FrameRange steady = FindSteadyPart(level);
  outcome.steady = steady.length() >= kShortestSustainLoopSeconds * sample.sampleRate;
  if (outcome.steady) {
    outcome.loop = FindSustainLoop(sound, steady, [&](LoopPoints loop) {
      return !CheckLoopJunction(sample.data, sample.channels, loop).clicks;
    });
  }
  if (outcome.loop) {
    const LoopPoints loop = outcome.loop->loop;
    const std::uint32_t fade = CrossfadeFrames(loop, crossfadeMs, sample.sampleRate);
    if (fade > 0) {
      SampleData faded = CrossfadeLoop(sample.data, sample.channels, sample.frames, loop, fade);
      // Kept only if its junction passes the check as well; else the loop is written plain.
      if (!CheckLoopJunction(faded, sample.channels, loop).clicks) {
        outcome.faded = std::move(faded);
        outcome.fadeFrames = fade;
      }
    }
  }
  if (job.pitch != PitchWork::kNone) outcome.pitch = MeasurePitch(job, &sound);
  return outcome;
}

SoundNote NoteOn(const Job& job, const Instrument& instrument, SoundFinding finding) {
  SoundNote note;
  note.finding = finding;
  note.instrument = instrument.name;
  note.sample = job.sample->name;
  return note;
}

// The first player of `job` for which `zone` is true, else the first.
const Instrument& PlayerOf(const Job& job, const Zone* zone) {
  for (const Player& player : job.players)
    if (player.zone == zone) return *player.instrument;
  return *job.players.front().instrument;
}

void ApplyLoop(const Job& job, Outcome& outcome, std::vector<SoundNote>& notes) {
  const Instrument& player = PlayerOf(job, job.sustaining.front());
  if (!outcome.loop) {
    // A sound that never holds steady (a drum, a decay) is not meant to loop: only those that
    // do and still found no loop are named.
    if (outcome.steady) notes.push_back(NoteOn(job, player, SoundFinding::kNoLoopMatches));
    return;
  }
  ExportGroup& group = *job.group;
  const Sample& sample = *job.sample;
  group.loops[&sample] = outcome.loop->loop;
  for (const Zone* zone : job.sustaining) group.loopedZones.insert(zone);
  if (outcome.faded) group.values[&sample] = std::move(*outcome.faded);
  SoundNote& note = notes.emplace_back(NoteOn(job, player, SoundFinding::kLoopFound));
  note.loop = outcome.loop->loop;
  note.match = outcome.loop->match;
  note.seconds = static_cast<double>(note.loop.end - note.loop.start) / sample.sampleRate;
  note.crossfadeMs = 1000.0 * outcome.fadeFrames / sample.sampleRate;
}

// How far the measured key lies from the key the zone means the sound to have.
double SemitonesOff(const Player& player, const Sample& sample, double measured) {
  return measured - MeantKey(player, sample);
}

void ApplyPitch(const Job& job, const Outcome& outcome, std::vector<SoundNote>& notes) {
  const Sample& sample = *job.sample;
  const Instrument& first = *job.players.front().instrument;
  if (job.pitch == PitchWork::kMeasure) {
    if (!outcome.pitch) {
      SoundNote& note = notes.emplace_back(NoteOn(job, first, SoundFinding::kNoPitch));
      note.rootKey = ClampRootKey(sample.rootKey);
      return;
    }
    const RootKey root = RootKeyOf(outcome.pitch->key);
    job.group->tunings[&sample] = {root.key, root.cents};
    SoundNote& note = notes.emplace_back(NoteOn(job, first, SoundFinding::kRootMeasured));
    note.hz = outcome.pitch->hz;
    note.rootKey = root.key;
    note.cents = root.cents;
    return;
  }
  if (!outcome.pitch) return;
  // A zone may tune its sample by octaves on purpose (a harpsichord's 4' layer), and another
  // sets the pitch a sample was recorded at by its coarse tune (a piccolo): the root key is
  // right when the sound agrees with the sample's own or with any zone's reading of it.
  const double own =
      outcome.pitch->key - ClampRootKey(sample.rootKey) - sample.pitchCorrection / 100.0;
  if (sample.rootKeyGiven && std::abs(own) < kOctaveOffSemitones) return;
  for (const Player& player : job.players)
    if (std::abs(SemitonesOff(player, sample, outcome.pitch->key)) < kOctaveOffSemitones) return;
  // Named once, for its first zone.
  const Player& player = job.players.front();
  SoundNote& note = notes.emplace_back(NoteOn(job, *player.instrument, SoundFinding::kOctaveOff));
  note.hz = outcome.pitch->hz;
  note.semitones = SemitonesOff(player, sample, outcome.pitch->key);
  const ZoneMapping& m = player.zone->mapping;
  note.rootKey = m.overridingRootKey != 0 ? m.overridingRootKey : ClampRootKey(sample.rootKey);
}

}  // namespace

std::vector<SoundNote> AnalyseSounds(ExportSet& set, const SoundOptions& options,
                                     const WorkProgress* progress) {
  std::vector<SoundNote> notes;
  if (!options.any()) return notes;
  const std::vector<Job> jobs = PlanJobs(set, options);
  std::vector<Outcome> outcomes(jobs.size());
  const double crossfadeMs = options.autoLoopCrossfadeMs.value_or(0);
  ForEachOnAllCores(jobs.size(), [&](std::size_t i) {
    if (WorkCancelled(progress)) return false;
    outcomes[i] = Analyse(jobs[i], crossfadeMs);
    return true;
  });
  for (std::size_t i = 0; i < jobs.size() && outcomes[i].analysed; ++i) {
    if (jobs[i].seekLoop) ApplyLoop(jobs[i], outcomes[i], notes);
    if (jobs[i].pitch != PitchWork::kNone) ApplyPitch(jobs[i], outcomes[i], notes);
  }
  return notes;
}

}  // namespace tolvane
