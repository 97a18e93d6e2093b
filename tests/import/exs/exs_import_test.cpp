// EXS instruments written in both byte orders and both generations of chunk sizes, imported zone
// by zone against the values written: group ranges narrowing zones, velocity layers, gain stages,
// tuning, loops, one-shots, the parameter chunk present and absent, round-robin cycles and
// release triggers, and samples found where the file says or near it.

#include <algorithm>

#include "exs_fixture.h"

namespace tolvane {
namespace {

using ExsFolder = testing::ExsFolder;

using testing::ExsContents;
using testing::ExsGroupSpec;
using testing::ExsSampleSpec;
using testing::ExsZoneSpec;
using Byte = ZoneParameters::Byte;
using Word = ZoneParameters::Word;

struct Layout {
  bool big;
  bool oldSizes;
  bool sizeBit15;
  bool parameters;
};

class ExsZones : public testing::ExsFolder, public ::testing::WithParamInterface<Layout> {};

ExsContents Piano(const Layout& layout) {
  ExsContents contents{.big = layout.big,
                       .oldSizes = layout.oldSizes,
                       .sizeBit15 = layout.sizeBit15,
                       .typeFlags = layout.big,
                       .unknownChunk = true};
  contents.groups = {{.volume = -3, .pan = 10, .keyLow = 36, .keyHigh = 71},
                     {.velLow = 100, .velHigh = 127}};
  contents.zones = {
      // Narrowed to keys 36-50 by group 0; a loop, start and end of its own.
      {.fine = -20,
       .pan = 20,
       .volume = -6,
       .keyLow = 30,
       .keyHigh = 50,
       .start = 10,
       .end = 900,
       .loopStart = 100,
       .loopEnd = 800,
       .loopFlags = 1,
       .coarse = 1,
       .group = 0,
       .sample = 0},
      // A velocity layer, keys narrowed to 71; a one-shot with a volume above 0 dB.
      {.flags = 1 | 8,
       .root = 64,
       .volume = 4,
       .keyLow = 51,
       .keyHigh = 80,
       .velLow = 0,
       .velHigh = 99,
       .group = 0,
       .sample = 1},
      // The upper layer by its group; fixed pitch.
      {.flags = 2, .root = 70, .keyLow = 60, .keyHigh = 62, .coarse = 5, .group = 1, .sample = 2},
      // Outside its group's keys: left out.
      {.keyLow = 80, .keyHigh = 90, .group = 0, .sample = 0},
      // No group, no sample number: its own ordinal's sample.
      {.root = 72, .keyLow = 72, .keyHigh = 72, .loopEnd = 0, .loopFlags = 1, .direction = 0},
  };
  contents.samples = {{.file = "a.wav", .folder = "/Users/paul/Samples"},
                      {.file = "b.wav"},
                      {.file = "c.wav"},
                      {.file = "unused.wav"},
                      {.file = "e.wav"}};
  contents.parameters = layout.parameters;
  contents.values = {{0x07, -6}, {0x0E, -1}, {0x0F, 5},   {0x52, 53},  {0x51, 64}, {0x55, 94},
                     {0x2C, 1},  {0xF3, 2},  {0x1E, 500}, {0x1D, 500}, {0x16D, 3}};
  return contents;
}

TEST_P(ExsZones, EveryZoneAsWritten) {
  const Layout layout = GetParam();
  for (const char* name : {"a.wav", "b.wav", "c.wav", "e.wav"})
    Wave(std::string("Instruments/") + name);
  const ImportOutcome outcome = Drop(Piano(layout));
  EXPECT_EQ(outcome.status, ImportStatus::Imported) << Lines(outcome);
  EXPECT_NE(Lines(outcome).find("1 zone left out: their group's key or velocity range"),
            std::string::npos)
      << Lines(outcome);
  ASSERT_EQ(library_.instruments.size(), 1u);
  EXPECT_EQ(library_.instruments[0]->name, "Piano");
  const std::vector<Zone> zones = Zones();
  ASSERT_EQ(zones.size(), 4u);
  const int master = layout.parameters ? -6 : 0;

  struct Expected {
    int keyLow, keyHigh, velLow, velHigh, root, coarse, fine, scale, pan, attenuation;
    std::uint32_t frames, start, loopStart, loopEnd;
    bool loop;
  };
  // Cents: 100 x (1 - 1) - 20 + 5, else 100 - 20; the instrument's -1 semitone and +5 cents
  // alone.
  const int fine = layout.parameters ? -15 : 80;
  const int global = layout.parameters ? -95 : 0;
  const Expected expected[] = {
      {36, 50, 0, 127, 60, 0, fine, 0, 30, 9 - master, 900, 10, 100, 800, true},
      // +4 dB and the group's -3: 5 dB of attenuation with the master's -6, else 1 dB folded.
      {51, 71, 0, 99, 64, 0, global, 0, 10, layout.parameters ? 5 : 0, 1000, 0, 0, 0, false},
      {60, 62, 100, 127, 61, 0, 0, 1, 0, -master, 1000, 0, 0, 0, false},
      {72, 72, 0, 127, 72, 0, global, 0, 0, -master, 1000, 0, 0, 1000, true},
  };
  for (std::size_t i = 0; i < zones.size(); ++i) {
    SCOPED_TRACE(i);
    const Zone& zone = zones[i];
    const Expected& e = expected[i];
    EXPECT_EQ(zone.mapping.keyLow, e.keyLow);
    EXPECT_EQ(zone.mapping.keyHigh, e.keyHigh);
    EXPECT_EQ(zone.mapping.velLow, e.velLow);
    EXPECT_EQ(zone.mapping.velHigh, e.velHigh);
    EXPECT_EQ(zone.mapping.overridingRootKey, e.root);
    EXPECT_EQ(zone.mapping.coarseTune, e.coarse);
    EXPECT_EQ(zone.mapping.fineTune, e.fine);
    EXPECT_EQ(zone.mapping.scaleTuning, e.scale);
    EXPECT_EQ(zone.parameters.Signed(Byte::pan), e.pan);
    EXPECT_EQ(zone.parameters.bytes[Byte::attenuation], e.attenuation);
    EXPECT_EQ(zone.sample->frames, e.frames);
    EXPECT_EQ(zone.mapping.startOffset, static_cast<std::int32_t>(2 * e.start));
    EXPECT_EQ((zone.mapping.flags & ZoneLoop) != 0, e.loop);
    if (e.loop) {
      EXPECT_EQ(zone.sample->loopStart, e.loopStart);
      EXPECT_EQ(zone.sample->loopEnd, e.loopEnd);
    }
  }
  // The one-shot's values took its 4 dB where no master volume lowers it.
  EXPECT_EQ(zones[1].sample->foldedDb, layout.parameters ? 0 : 1);
  // The amplitude envelope and the low-pass filter, the same for every zone; a one-shot rings
  // out at full level.
  const ZoneParameters& first = zones[0].parameters;
  if (layout.parameters) {
    EXPECT_EQ(first.Signed(Byte::attackVolEnv), -20);          // code 53: 0.303 s
    EXPECT_EQ(first.Signed(Byte::releaseVolEnv), 19);          // code 94: 3.0 s
    EXPECT_EQ(first.words[Word::sustainVolEnv], 60);           // 64 of 127: 6 dB down
    EXPECT_NEAR(first.words[Word::initialFilterFc], 7528, 2);  // 632 Hz
    EXPECT_EQ(first.words[Word::initialFilterQ], 120);
  } else {
    EXPECT_EQ(first.words[Word::initialFilterFc], 13500);
    EXPECT_EQ(first.Signed(Byte::attackVolEnv), ZoneParameters{}.Signed(Byte::attackVolEnv));
  }
  EXPECT_EQ(zones[1].parameters.Signed(Byte::releaseVolEnv), 80);
  EXPECT_EQ(zones[1].parameters.words[Word::sustainVolEnv], 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExsZones,
                         ::testing::Values(Layout{false, false, false, true},
                                           Layout{true, false, false, true},
                                           Layout{false, true, false, false},
                                           Layout{true, true, true, false},
                                           Layout{true, false, true, true}),
                         [](const ::testing::TestParamInfo<Layout>& layout) {
                           const Layout& l = layout.param;
                           return std::string(l.big ? "Big" : "Little") +
                                  (l.oldSizes ? "Old" : "New") + (l.sizeBit15 ? "Bit15" : "") +
                                  (l.parameters ? "Parameters" : "");
                         });

// Groups after the first of a linked cycle and release-triggered ones are left out with notes;
// plain groups storing 0 as their link, a note-selected group linked to a plain one and a muted
// group are told apart.
TEST_F(ExsFolder, RoundRobinCyclesKeepTheirFirstGroup) {
  Wave("Instruments/a.wav");
  ExsContents contents;
  contents.groups = {{.linked = -1, .select = 2},
                     {.linked = 0, .select = 2},
                     {.linked = 1, .select = 1},
                     {.linked = 0},
                     {.linked = 3, .select = 1},
                     {.trigger = 1},
                     {.flags = 0x10},
                     {.linked = 9, .select = 2},
                     {.linked = 7, .select = 2},
                     {.linked = 8, .select = 2}};
  for (int group = 0; group < 10; ++group)
    contents.zones.push_back(
        {.root = static_cast<std::uint8_t>(40 + group), .group = group, .sample = 0});
  contents.samples = {{.file = "a.wav"}};
  const ImportOutcome outcome = Drop(contents);
  EXPECT_EQ(outcome.status, ImportStatus::Imported);
  EXPECT_EQ(Lines(outcome),
            "note: 2 zones left out: only the first round robin is kept\n"
            "note: 1 zone left out: release triggers cannot be kept\n"
            "note: 1 zone left out: their group is muted\n");
  std::vector<int> roots;
  for (const Zone& zone : Zones()) roots.push_back(zone.mapping.overridingRootKey);
  std::sort(roots.begin(), roots.end());
  // Groups 7, 8 and 9 link in a ring without a first group: no cycle.
  EXPECT_EQ(roots, (std::vector<int>{40, 43, 44, 47, 48, 49}));
}

// Each place a sample is looked for, in order; the first place that holds it wins.
TEST_F(ExsFolder, SamplesAreFoundWhereTheFileSaysOrNearIt) {
  const std::string top = PathToUtf8(folder_.path());
  Wave("Moved Away/url.wav", 101);
  Wave("Stored/stored.wav", 102);
  Wave("Instruments/beside.wav", 103);
  Wave("Instruments/Samples/samples.wav", 104);
  Wave("Library Samples/Vendor/Set/SEARCHED.WAV", 105);
  Wave("Instruments/both.wav", 106);
  Wave("Library Samples/both.wav", 107);
  ExsContents contents;
  contents.samples = {
      {.file = "url.wav",
       .folder = "/Users/paul",
       .url = "file://" + top + "/Moved%20Away/url.wav"},
      {.file = "stored.wav", .folder = top + "/Stored/"},
      {.file = "beside.wav", .folder = "/Users/paul/Music"},
      {.file = "samples.wav"},
      {.file = "searched.wav", .folder = "/Volumes/Disk"},
      {.file = "both.wav"},
      {.file = "nowhere.wav", .folder = "/Users/paul"},
  };
  for (std::uint8_t i = 0; i < 7; ++i) contents.zones.push_back({.keyLow = i, .keyHigh = i});
  const ImportOutcome outcome = Drop(contents);
  EXPECT_EQ(Lines(outcome),
            "damaged (1 instrument imported): 1 zone left out: sample "
            "'nowhere.wav' not found\n");
  std::vector<std::uint32_t> frames;
  for (const Zone& zone : Zones()) frames.push_back(zone.sample->frames);
  EXPECT_EQ(frames, (std::vector<std::uint32_t>{101, 102, 103, 104, 105, 106}));
}

// A folder of .exs files is a library: both instruments, one source, their sample stored once.
TEST_F(ExsFolder, FolderOfInstrumentsSharesSamples) {
  Wave("Lib/Samples/a.wav");
  ExsContents contents;
  contents.samples = {{.file = "a.wav", .folder = "/Users/paul/Samples"}};
  contents.zones = {{.keyLow = 10, .keyHigh = 20}};
  std::filesystem::create_directories(folder_ / "Lib/Instruments");
  testing::WriteFile(folder_ / "Lib/Instruments/One.exs", testing::WriteExs(contents));
  contents.big = true;
  testing::WriteFile(folder_ / "Lib/Instruments/Two.exs", testing::WriteExs(contents));
  testing::WriteFile(folder_ / "Lib/Instruments/Empty.exs", {});
  const ImportOutcome outcome = ImportFile(library_, database_, PathToUtf8(folder_ / "Lib"));
  EXPECT_EQ(Lines(outcome),
            "damaged (1 instrument imported): Instruments/Empty.exs: not "
            "recognised: an empty file\n");
  ASSERT_EQ(library_.instruments.size(), 2u);
  EXPECT_EQ(library_.instruments[0]->name, "One");
  EXPECT_EQ(library_.instruments[1]->name, "Two");
  EXPECT_EQ(library_.sources.size(), 1u);
  EXPECT_EQ(library_.instruments[0]->zones[0].sample, library_.instruments[1]->zones[0].sample);
}

}  // namespace
}  // namespace tolvane
