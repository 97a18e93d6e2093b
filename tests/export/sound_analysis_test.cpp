// The sound options of an export (--auto-loop, --detect-root) over made-up instruments: what
// they find, what the written file holds, and that the library is left as it was.

#include "export/sound_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/sample_pitch.h"
#include "analysis/sustain_loop.h"
#include "audition/playable_instrument.h"
#include "database/sound_database.h"
#include "export/export_commands.h"
#include "export/loop_junction.h"
#include "import/import_file.h"
#include "library/zone.h"
#include "tests/analysis/signals.h"
#include "tests/support/test_folder.h"

namespace tolvane {
namespace {

using testing::Attacked;
using testing::Noise;
using testing::Tone;
using testing::Values;

constexpr std::uint32_t kRate = 44100;

std::vector<float> Decay(double seconds) {
  return Tone(196, kRate, seconds, 6, 16000, [](double t) { return -30 * t; });
}

// One instrument of one zone over one mono sample of `sound`.
struct Made {
  std::vector<float> sound;
  bool looped = false;
  bool rootGiven = true;
  std::uint32_t rootKey = 60;
  std::int16_t sustainCentibels = 0;  // the zone's sustain level below full
  std::uint8_t overridingRootKey = 0;
  std::int8_t coarseTune = 0;  // the zone's
};

Instrument& MakeInstrument(Library& library, Source& source, const std::string& name,
                           const Made& made) {
  auto instrument = CreateInstrument(source, name, name, SoundIdHash(UpperCaseAscii(name)));
  const std::string sampleName = name + " sample";
  SampleRequest request;
  request.name = sampleName;
  request.key.first = library.instruments.size() + 1;
  request.sampleRate = kRate;
  request.channels = 1;
  request.frames = static_cast<std::uint32_t>(made.sound.size());
  request.loopStart = made.looped ? request.frames / 2 : 0;
  request.loopEnd = made.looped ? request.frames / 2 + 400 : request.frames;
  request.rootKey = made.rootKey;
  request.rootKeyGiven = made.rootGiven;
  Sample* sample = AddSample(*instrument, request, Values({made.sound}));
  Zone zone;
  InitZone(zone);
  SetZoneSample(zone, sample);
  if (made.looped) zone.mapping.flags |= ZoneLoop;
  zone.mapping.overridingRootKey = made.overridingRootKey;
  zone.mapping.coarseTune = made.coarseTune;
  zone.parameters.words[ZoneParameters::sustainVolEnv] = made.sustainCentibels;
  AddZone(*instrument, zone);
  AverageInstrument(*instrument);
  return AddInstrument(library, std::move(instrument));
}

SoundOptions AutoLoop(double crossfadeMs = 0) {
  SoundOptions options;
  options.autoLoopCrossfadeMs = crossfadeMs;
  return options;
}

SoundOptions DetectRoot() {
  SoundOptions options;
  options.detectRoot = true;
  return options;
}

TEST(SoundAnalysis, EachSampleGetsTheFindingItsSoundAndZoneCallFor) {
  struct Case {
    const char* what;
    Made made;
    SoundOptions options;
    std::vector<SoundFinding> findings;
  };
  const std::vector<float> held = Tone(220, kRate, 1.5, 6, 16000, Attacked);
  const Case cases[] = {
      {"held tone", {held}, AutoLoop(), {SoundFinding::kLoopFound}},
      {"held tone, crossfaded", {held}, AutoLoop(20), {SoundFinding::kLoopFound}},
      {"noise", {Noise(kRate, 1.5)}, AutoLoop(), {SoundFinding::kNoLoopMatches}},
      {"a decay", {Decay(1.5)}, AutoLoop(), {}},
      {"too short", {Tone(220, kRate, 0.12, 6, 16000, Attacked)}, AutoLoop(), {}},
      {"already looped", {held, true}, AutoLoop(), {}},
      {"zone falls silent", {held, false, true, 60, 1000}, AutoLoop(), {}},
      {"no root given", {held, false, false}, DetectRoot(), {SoundFinding::kRootMeasured}},
      {"no root given, no pitch",
       {Noise(kRate, 1.5), false, false},
       DetectRoot(),
       {SoundFinding::kNoPitch}},
      {"root given, right", {held, false, true, 57}, DetectRoot(), {}},
      {"root given, an octave off",
       {held, false, true, 69},
       DetectRoot(),
       {SoundFinding::kOctaveOff}},
      {"root given, a fifth off", {held, false, true, 64}, DetectRoot(), {}},
      // A zone playing its sample an octave up on purpose, and one whose tune gives the pitch
      // the sample was recorded at, are no octave error; a tune that makes it worse is.
      {"root given, the zone an octave up", {held, false, true, 57, 0, 0, 12}, DetectRoot(), {}},
      {"root given an octave off, the zone's tune mends it",
       {held, false, true, 69, 0, 0, 12},
       DetectRoot(),
       {}},
      {"root given an octave off, the zone's tune too",
       {held, false, true, 69, 0, 0, -12},
       DetectRoot(),
       {SoundFinding::kOctaveOff}},
      {"root given by the zone, an octave off",
       {held, false, false, 60, 0, 45},
       DetectRoot(),
       {SoundFinding::kOctaveOff}},
      {"both",
       {held, false, false},
       {0.0, true},
       {SoundFinding::kLoopFound, SoundFinding::kRootMeasured}},
      {"neither", {held, false, false}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Library library;
    Source& source = CreateSource(library, "C:\\Sounds\\Made.sf2");
    const Instrument& instrument = MakeInstrument(library, source, "Made", c.made);
    const Sample& sample = *instrument.zones.front().sample;
    const std::unique_ptr<ExportSet> set = CreateExportSet();
    AddInstrumentToExportSet(*set, instrument);
    const std::vector<SoundNote> notes = AnalyseSounds(*set, c.options);
    std::vector<SoundFinding> findings;
    findings.reserve(notes.size());
    for (const SoundNote& note : notes) findings.push_back(note.finding);
    EXPECT_EQ(findings, c.findings);
    const ExportGroup& group = set->groups.front();
    for (const SoundNote& note : notes) {
      EXPECT_EQ(note.instrument, "Made");
      EXPECT_EQ(note.sample, "Made sample");
      EXPECT_FALSE(SoundNoteText(note).empty());
      if (note.finding == SoundFinding::kLoopFound) {
        ASSERT_TRUE(group.loops.contains(&sample));
        const LoopPoints loop = group.loops.at(&sample);
        EXPECT_EQ(note.loop, loop);
        EXPECT_GE(loop.end - loop.start, kShortestSustainLoopSeconds * kRate);
        EXPECT_GE(note.match, kLeastLoopMatch);
        EXPECT_TRUE(group.loopedZones.contains(&instrument.zones.front()));
        EXPECT_FALSE(CheckLoopJunction(WrittenValues(group, sample), 1, loop).clicks);
        // The crossfade changes the written values only.
        EXPECT_EQ(group.values.contains(&sample), c.options.autoLoopCrossfadeMs > 0);
        EXPECT_NEAR(note.crossfadeMs, *c.options.autoLoopCrossfadeMs, 0.05);
      }
      if (note.finding == SoundFinding::kRootMeasured) {
        ASSERT_TRUE(group.tunings.contains(&sample));
        EXPECT_EQ(group.tunings.at(&sample).rootKey, 57u);  // 220 Hz is A3
        EXPECT_LE(std::abs(group.tunings.at(&sample).pitchCorrection), 10);
        EXPECT_NEAR(note.hz, 220, 220 * 0.006);
      }
      if (note.finding == SoundFinding::kOctaveOff) {
        EXPECT_GE(std::abs(note.semitones), 11.5);
        EXPECT_FALSE(group.tunings.contains(&sample));
      }
    }
    // Render plays what the export writes.
    const auto played = MakePlayable(instrument, &group);
    ASSERT_EQ(played->samples.size(), 1u);
    const PlayableSample& playedSample = played->samples.front();
    if (group.loops.contains(&sample)) {
      EXPECT_TRUE(played->zones.front().loop);
      EXPECT_EQ(playedSample.loopStart, group.loops.at(&sample).start);
      EXPECT_EQ(playedSample.loopEnd, group.loops.at(&sample).end);
      const SampleData& written = WrittenValues(group, sample);
      for (std::size_t i = 0; i < written.size(); i += 101)
        ASSERT_EQ(playedSample.data[i], written[i]) << i;
    }
    if (group.tunings.contains(&sample)) {
      EXPECT_EQ(played->zones.front().rootKey, group.tunings.at(&sample).rootKey);
      EXPECT_EQ(playedSample.pitchCorrection, group.tunings.at(&sample).pitchCorrection);
    }
    if (findings.empty() || findings.front() != SoundFinding::kLoopFound) {
      EXPECT_FALSE(group.loops.contains(&sample));
      EXPECT_TRUE(group.loopedZones.empty());
    }
  }
}

std::string FileBytes(const std::filesystem::path& path) {
  return testing::ReadFileText(path);
}

TEST(SoundAnalysis, TheWrittenFileChangesAndTheLibraryDoesNot) {
  const testing::TestFolder folder;
  Library library;
  Source& source = CreateSource(library, "C:\\Sounds\\Made.sf2");
  const Instrument& unrooted = MakeInstrument(
      library, source, "Unrooted", {Tone(220, kRate, 1.5, 6, 16000, Attacked), false, false});
  // Its loop holds 4 periods of the tone, and its root key is the tone's.
  const Instrument& looped = MakeInstrument(
      library, source, "Looped", {Tone(441, kRate, 1, 3, 16000, Attacked), true, true, 69});
  const Sample kept = *unrooted.zones.front().sample;
  const std::vector<const Instrument*> checked = {&unrooted, &looped};

  ExportOptions options;
  options.sounds = {30.0, true};
  const auto file = folder / "Sounds.SLC";
  const ExportResult result = ExportCollection(checked, file, nullptr, options);
  ASSERT_TRUE(result);
  ASSERT_EQ(result.sounds.size(), 2u);  // the loop and the root key of Unrooted

  const Sample& after = *unrooted.zones.front().sample;
  EXPECT_EQ(after.loopStart, kept.loopStart);
  EXPECT_EQ(after.loopEnd, kept.loopEnd);
  EXPECT_EQ(after.rootKey, kept.rootKey);
  EXPECT_EQ(after.pitchCorrection, kept.pitchCorrection);
  EXPECT_EQ(after.data.size(), kept.data.size());
  for (std::size_t i = 0; i < kept.data.size(); i += 97) ASSERT_EQ(after.data[i], kept.data[i]);
  EXPECT_EQ(unrooted.zones.front().mapping.flags & ZoneLoop, 0u);

  SoundDatabase database;
  Library readBack;
  ASSERT_TRUE(ImportFile(readBack, database, file.string()).imported());
  const Instrument* read = nullptr;
  for (const auto& instrument : readBack.instruments)
    if (instrument->name == "Unrooted") read = instrument.get();
  ASSERT_NE(read, nullptr);
  const Zone& zone = read->zones.front();
  EXPECT_NE(zone.mapping.flags & ZoneLoop, 0u);
  EXPECT_EQ(zone.sample->loopStart, result.sounds.front().loop.start);
  EXPECT_EQ(zone.sample->loopEnd, result.sounds.front().loop.end);
  EXPECT_EQ(zone.sample->rootKey, 57u);

  // Options that find nothing to do write the same bytes as none.
  const std::vector<const Instrument*> onlyLooped = {&looped};
  ExportOptions loopOnly;
  loopOnly.sounds.autoLoopCrossfadeMs = 0;
  ASSERT_TRUE(ExportCollection(onlyLooped, folder / "plain.SLC"));
  ASSERT_TRUE(ExportCollection(onlyLooped, folder / "asked.SLC", nullptr, loopOnly));
  EXPECT_EQ(FileBytes(folder / "plain.SLC"), FileBytes(folder / "asked.SLC"));
}

}  // namespace
}  // namespace tolvane
