// Zones planned over a sample pool, built into instruments: loops and own samples by each
// format's rule, cuts and starts, root keys and tuning, sharing and gains, and the parts left
// out. (Stereo pairs of mono files: sample_folder_sox_test.cpp.)

#include "import/sample_zones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "import/instrument_files.h"
#include "library/library.h"

namespace tolvane {
namespace {

// Sounds of 1000 frames of value 1000 (the right one of a pair -1000), by what their path
// names: "loop" a loop 100-900, "root72" root key 72 tuned 30 cents, "six" six channels;
// "missing" is not there and "broken" cannot be read.
class NamedFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    const auto has = [&](const char* word) { return path.find(word) != std::string::npos; };
    if (has("missing")) return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    if (has("broken")) return {std::nullopt, ImportOutcome::Damaged("no 'data' chunk")};
    DecodedSound sound;
    sound.channels = has("six") ? 6 : 1;
    sound.frames = 1000;
    sound.values.assign(std::size_t{sound.frames} * sound.channels, has("right") ? -1000 : 1000);
    if (has("loop")) sound.markers.loop = SoundLoop{100, 900};
    if (has("root72")) {
      sound.markers.rootKey = 72;
      sound.markers.pitchCorrection = 30;
    }
    return {std::move(sound), {}};
  }
};

// A zone's sample as "NAME: FRAMES frames, LOOPSTART-LOOPEND looped|once, root KEY+CENTS".
std::string Describe(const Zone& zone) {
  const Sample& s = *zone.sample;
  return s.name + ": " + std::to_string(s.frames) + " frames, " + std::to_string(s.loopStart) +
         "-" + std::to_string(s.loopEnd) +
         ((zone.mapping.flags & ZoneLoop) != 0 ? " looped" : " once") + ", root " +
         std::to_string(s.rootKey) + "+" + std::to_string(s.pitchCorrection);
}

class SampleZones : public ::testing::Test {
 protected:
  // Starts a source and pool of their own: samples of one name and file would be shared.
  void Fresh() {
    source = &CreateSource(library, "/lib/Test.sfz");
    pool = SamplePool();
    decoded = false;
  }
  // A plan of one zone on `path`, its file added to the pool.
  SampleZonePlan Plan(const std::string& path) {
    SampleZonePlan plan;
    plan.file = pool.Add(path);
    InitZone(plan.zones.emplace_back());
    plan.name = path.substr(0, path.find('.'));
    plan.subject = path;
    return plan;
  }
  // A new instrument of the source playing `plans`, the pool decoded first if need be.
  const Instrument& Build(const std::vector<SampleZonePlan>& plans, const SampleRules& rules = {}) {
    if (!decoded) decoded = pool.DecodeAll(files, nullptr);
    std::unique_ptr<Instrument> instrument = CreateInstrument(*source, "Test", "Test", 0);
    kept = AddSampleZones(*instrument, plans, pool, rules, drops);
    return AddInstrument(library, std::move(instrument));
  }

  NamedFiles files;
  SamplePool pool;
  bool decoded = false;
  Library library;
  Source* source = &CreateSource(library, "/lib/Test.sfz");
  ImportDrops drops;
  std::size_t kept = 0;
};

TEST_F(SampleZones, EachFormatsRuleTellsWhenAZoneLoopsASampleOfItsOwn) {
  constexpr OwnLoop kWritten = OwnLoop::WrittenPoints;
  constexpr OwnLoop kKept = OwnLoop::KeptPoints;
  constexpr OwnLoop kPlayed = OwnLoop::PlayedLoop;
  using Frame = std::optional<std::uint32_t>;
  const struct {
    OwnLoop rule;
    const char* file;
    Frame frames, loopStart, loopEnd;
    std::optional<bool> looped;
    const char* made;
  } cases[] = {
      {kKept, "plain", {}, {}, {}, {}, "plain: 1000 frames, 0-1000 once"},
      {kKept, "loop", {}, {}, {}, {}, "loop: 1000 frames, 100-900 looped"},
      {kKept, "loop", {}, 100, {}, {}, "loop: 1000 frames, 100-900 looped"},
      {kKept, "loop", {}, {}, 950, {}, "loop 100-950: 1000 frames, 100-950 looped"},
      {kKept, "loop", {}, {}, 5000, {}, "loop 100-1000: 1000 frames, 100-1000 looped"},
      {kKept, "loop", 500, {}, {}, {}, "loop: 500 frames, 100-500 looped"},
      {kKept, "loop", 500, {}, 900, {}, "loop 100-500: 500 frames, 100-500 looped"},
      {kKept, "plain", {}, {}, {}, true, "plain: 1000 frames, 0-1000 looped"},
      {kWritten, "loop", {}, 100, 5000, {}, "loop 100-5000: 1000 frames, 100-1000 looped"},
      {kWritten, "loop", {}, 100, 900, {}, "loop: 1000 frames, 100-900 looped"},
      {kWritten, "plain", {}, 0, 1000, false, "plain 0-1000: 1000 frames, 0-1000 once"},
      {kPlayed, "loop", {}, 10, 20, false, "loop: 1000 frames, 10-20 once"},
      {kPlayed, "loop", 500, {}, {}, {}, "loop 100-500: 500 frames, 100-500 looped"},
      {kPlayed, "plain", {}, 300, 300, true, "plain: 1000 frames, 300-300 once"},
      {kPlayed, "loop", {}, 100, kLoopToEnd, {}, "loop 100-1000: 1000 frames, 100-1000 looped"},
  };
  for (const auto& c : cases) {
    Fresh();
    SampleZonePlan plan = Plan(c.file);
    plan.frames = c.frames;
    plan.loopStart = c.loopStart;
    plan.loopEnd = c.loopEnd;
    plan.looped = c.looped;
    const Instrument& instrument = Build({plan}, {.ownLoop = c.rule});
    ASSERT_EQ(instrument.zones.size(), 1u) << c.made;
    EXPECT_EQ(Describe(instrument.zones[0]), std::string(c.made) + ", root 60+0");
  }
}

TEST_F(SampleZones, CutsStartsAndRootKeysOfTheSample) {
  using Frame = std::optional<std::uint32_t>;
  const struct {
    const char* file;
    Frame frames, start, rootKey;
    bool fileTuning;
    const char* made;
    std::int32_t startOffset;  // in half frames, as the zone keeps it
  } cases[] = {
      {"plain.wav", 600, 100, {}, true, "plain: 600 frames, 0-600 once, root 60+0", 200},
      // An end at or before the start marks no end; a start past the end is the last frame.
      {"plain.wav", 50, 100, {}, true, "plain: 1000 frames, 0-1000 once, root 60+0", 200},
      {"plain.wav", {}, 5000, {}, true, "plain: 1000 frames, 0-1000 once, root 60+0", 1998},
      {"plain.wav", 0, {}, {}, true, "plain: 1000 frames, 0-1000 once, root 60+0", 40},
      {"plain.wav", {}, {}, 200, true, "plain: 1000 frames, 0-1000 once, root 127+0", 40},
      // The file's tuning goes with its own root key.
      {"root72.wav", {}, {}, {}, true, "root72: 1000 frames, 0-1000 once, root 72+30", 40},
      {"root72.wav", {}, {}, 72, true, "root72: 1000 frames, 0-1000 once, root 72+30", 40},
      {"root72.wav", {}, {}, 60, true, "root72: 1000 frames, 0-1000 once, root 60+0", 40},
      {"root72.wav", {}, {}, 72, false, "root72: 1000 frames, 0-1000 once, root 72+0", 40},
  };
  for (const auto& c : cases) {
    Fresh();
    SampleZonePlan plan = Plan(c.file);
    plan.frames = c.frames;
    plan.start = c.start;
    plan.rootKey = c.rootKey;
    plan.zones[0].mapping.startOffset = plan.zones[0].mapping.startOffset2 = 40;
    const Instrument& instrument = Build({plan}, {.fileTuning = c.fileTuning});
    ASSERT_EQ(instrument.zones.size(), 1u) << c.made;
    EXPECT_EQ(Describe(instrument.zones[0]), c.made);
    EXPECT_EQ(instrument.zones[0].mapping.startOffset, c.startOffset) << c.made;
    EXPECT_EQ(instrument.zones[0].mapping.startOffset2, c.startOffset) << c.made;
  }
}

// Instruments of one source share equal samples; one whose values took a gain only with the
// instruments asking the same largest gain of its file, which count from the gain it took.
TEST_F(SampleZones, ASampleMadeLouderIsSharedByTheInstrumentsAskingTheSameGain) {
  const auto plan = [&](double gainDb) {
    SampleZonePlan made = Plan("plain.wav");
    made.gainDb = gainDb;
    return made;
  };
  const SampleRules noisy{.gainToleranceDb = 0.01};
  const Instrument& louder = Build({plan(6), plan(0)}, noisy);
  const Instrument& plain = Build({plan(0)}, noisy);
  const Instrument& noise = Build({plan(0.005)}, noisy);
  const Instrument& exact = Build({plan(0.005)}, {});
  const Instrument& alike = Build({plan(0), plan(6)}, noisy);
  const Instrument& other = Build({plan(3)}, noisy);

  ASSERT_EQ(louder.zones.size(), 2u);
  EXPECT_EQ(louder.zones[0].sample, louder.zones[1].sample);  // one instrument shares its own
  EXPECT_NE(louder.zones[0].sample, plain.zones[0].sample);
  EXPECT_EQ(plain.zones[0].sample, noise.zones[0].sample);
  EXPECT_NE(exact.zones[0].sample, plain.zones[0].sample);
  EXPECT_NE(exact.zones[0].sample, louder.zones[0].sample);
  // The same largest gain: the same louder values, played from them as the first instrument does.
  EXPECT_EQ(alike.zones[0].sample, louder.zones[0].sample);
  EXPECT_EQ(alike.zones[0].sample->data[0], 1995);
  EXPECT_NE(other.zones[0].sample, louder.zones[0].sample);
  EXPECT_EQ(other.zones[0].sample->data[0], 1413);  // +3 dB
  std::vector<int> alikeAttenuations;
  for (const Zone& zone : alike.zones)
    alikeAttenuations.push_back(zone.parameters.bytes[ZoneParameters::attenuation]);
  std::sort(alikeAttenuations.begin(), alikeAttenuations.end());
  EXPECT_EQ(alikeAttenuations, (std::vector<int>{0, 6}));
  EXPECT_EQ(plain.zones[0].sample->data[0], 1000);
  EXPECT_EQ(louder.zones[0].sample->data[0], 1995);  // +6 dB
  EXPECT_EQ(exact.zones[0].sample->data[0], 1001);
  // The zone asking 0 dB of the louder sample plays it 6 dB down.
  std::vector<int> attenuations;
  for (const Zone& zone : louder.zones)
    attenuations.push_back(zone.parameters.bytes[ZoneParameters::attenuation]);
  std::sort(attenuations.begin(), attenuations.end());
  EXPECT_EQ(attenuations, (std::vector<int>{0, 6}));
}

// Parts whose file cannot play are counted once each, however many zones they have; a part's
// notes count only when it is kept.
TEST_F(SampleZones, PartsLeftOutAreCountedAndNamed) {
  SampleZonePlan missing = Plan("missing.wav");
  missing.zones.push_back(missing.zones[0]);
  missing.notes = {NoteKind::AlternatingLoop};
  SampleZonePlan drum = Plan("plain.wav");
  drum.zones.resize(3, drum.zones[0]);
  for (std::size_t i = 0; i < 3; ++i) drum.zones[i].mapping.velLow = static_cast<std::uint8_t>(i);
  drum.notes = {NoteKind::Reversed};
  SampleZonePlan halfBroken = Plan("left.wav");
  halfBroken.right = pool.Add("broken.wav");

  const Instrument& instrument = Build(
      {missing, drum, Plan("broken.wav"), Plan("six.wav"), halfBroken}, {.part = PartKind::Layer});
  EXPECT_EQ(kept, 1u);
  ASSERT_EQ(instrument.zones.size(), 3u);
  for (const Zone& zone : instrument.zones) EXPECT_EQ(zone.sample, instrument.zones[0].sample);

  const ImportOutcome outcome = drops.Finish();
  using Left = std::tuple<PartKind, LeftOutKind, std::size_t, std::string, std::string>;
  std::vector<Left> leftOut;
  for (const LeftOut& left : outcome.leftOut)
    leftOut.emplace_back(left.part, left.kind, left.count, left.subject, left.detail);
  EXPECT_EQ(
      leftOut,
      (std::vector<Left>{
          {PartKind::Layer, LeftOutKind::SampleNotFound, 1, "missing.wav", ""},
          {PartKind::Layer, LeftOutKind::SampleUnreadable, 2, "broken.wav", "no 'data' chunk"},
          {PartKind::Layer, LeftOutKind::SampleManyChannels, 1, "six.wav", ""},
      }));
  ASSERT_EQ(outcome.notes.size(), 1u);
  EXPECT_EQ(outcome.notes[0].kind, NoteKind::Reversed);
}

}  // namespace
}  // namespace tolvane
