// Decent Sampler presets read from text with samples given from memory, and .dsbundle folders
// from disk.

#include "import/decent/decent_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/work_progress.h"
#include "database/sound_database.h"
#include "import/decent/decent_zone.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "riff_builder.h"
#include "tests/support/test_folder.h"
#include "zip_builder.h"

namespace tolvane {
namespace {

using Byte = ZoneParameters::Byte;
using Word = ZoneParameters::Word;

// Samples of 1000 frames (stereo when named so), with a loop 100-900 when named "loop", missing
// when named so. Every read is counted.
class FakeFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string&) const override { return std::nullopt; }
  SoundReading ReadSample(const std::string& path) const override {
    ++reads;
    {
      const std::lock_guard<std::mutex> lock(pathsMutex);
      paths.push_back(path);
    }
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = path.find("stereo") != std::string::npos ? 2 : 1;
    sound.frames = 1000;
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 7);
    if (path.find("loop") != std::string::npos) sound.markers.loop = SoundLoop{100, 900};
    return {std::move(sound), {}};
  }
  mutable std::atomic<int> reads{0};
  mutable std::mutex pathsMutex;
  mutable std::vector<std::string> paths;  // only read single-threaded, after the import
};

std::string Preset(const std::string& groups) {
  return "<?xml version=\"1.0\"?>\n<DecentSampler minVersion=\"1.0.0\">\n"
         "<ui><tab><label text=\"Tone\"/></tab></ui>\n" +
         groups + "\n<effects><effect type=\"reverb\"/></effects>\n</DecentSampler>\n";
}

class Decent : public ::testing::Test {
 protected:
  ImportOutcome Import(const std::string& text, std::string_view folder = {}) {
    ClearLibrary(library);
    files.reads = 0;
    files.paths.clear();
    Source& source = CreateSource(library, "/lib/Piano.dspreset");
    return ImportDecentPreset(library, source, text, {"Piano", 0, folder}, files);
  }
  // The zones of the only instrument, with absolute parameters, in key order.
  std::vector<Zone> Zones() {
    EXPECT_EQ(library.instruments.size(), 1u);
    if (library.instruments.size() != 1) return {};
    Instrument& instrument = *library.instruments.front();
    std::vector<Zone> zones = instrument.zones;
    if (instrument.averaged)
      for (Zone& zone : zones) AddParameters(zone, instrument.parameters);
    return zones;
  }
  Library library;
  FakeFiles files;
};

TEST_F(Decent, AttributesInheritDownTheLevelsAndMapOntoZoneFields) {
  struct Case {
    const char* groups;
    std::function<void(const Zone&)> check;
  };
  const Case cases[] = {
      {R"(<groups><group><sample path="a.wav" rootNote="48" loNote="40" hiNote="50" loVel="10"
           hiVel="100"/></group></groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.sample->rootKey, 48u);
         EXPECT_EQ(z.mapping.keyLow, 40);
         EXPECT_EQ(z.mapping.keyHigh, 50);
         EXPECT_EQ(z.mapping.velLow, 10);
         EXPECT_EQ(z.mapping.velHigh, 100);
       }},
      // The lowest level that sets an attribute wins.
      {R"(<groups loNote="1" hiNote="2" attack="1"><group hiNote="70" pan="-50">
           <sample path="a.wav" rootNote="60" pan="25"/></group></groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.mapping.keyLow, 1);
         EXPECT_EQ(z.mapping.keyHigh, 70);
         EXPECT_EQ(z.parameters.Signed(Byte::pan), 25);
         EXPECT_EQ(z.parameters.Signed(Byte::attackVolEnv), 0);  // 1 s: 0 timecents
       }},
      // Volumes multiply down the levels, linear or in dB.
      {R"(<groups volume="0.5"><group volume="-6dB"><sample path="a.wav" rootNote="60"
           volume=" -3 DB "/></group></groups>)",
       [](const Zone& z) { EXPECT_EQ(z.parameters.bytes[Byte::attenuation], 15); }},
      {R"(<groups><group volume="0"><sample path="a.wav" rootNote="60"/></group></groups>)",
       [](const Zone& z) { EXPECT_EQ(z.parameters.bytes[Byte::attenuation], 144); }},
      // Tunings add; the fraction is the fine tune. An empty attribute is unset.
      {R"(<groups globalTuning="1"><group groupTuning="0.25" tuning="9"><sample path="a.wav"
           rootNote="60" tuning="-0.5"/></group></groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.mapping.coarseTune, 0);
         EXPECT_EQ(z.mapping.fineTune, 75);
       }},
      {R"(<groups><group groupTuning=""><sample path="a.wav" rootNote="60" tuning="-2.3"/>
           </group></groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.mapping.coarseTune, -2);
         EXPECT_EQ(z.mapping.fineTune, -30);
       }},
      {R"(<groups pitchKeyTrack="0"><group><sample path="a.wav" rootNote="60"/></group></groups>)",
       [](const Zone& z) { EXPECT_EQ(z.mapping.scaleTuning, 0); }},
      {R"(<groups><group><sample path="a.wav" rootNote="60" pitchKeyTrack="0.5"/></group></groups>)",
       [](const Zone& z) { EXPECT_EQ(z.mapping.scaleTuning, 50); }},
      // Envelope: seconds and a level, out-of-range sustain clamped.
      {R"(<groups sustain="70"><group><sample path="a.wav" rootNote="60" attack="0" decay="2"
           release="0.5"/></group></groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.parameters.Signed(Byte::attackVolEnv), -120);
         EXPECT_EQ(z.parameters.Signed(Byte::decayVolEnv), 12);
         EXPECT_EQ(z.parameters.Signed(Byte::releaseVolEnv), -12);
         EXPECT_EQ(z.parameters.words[Word::sustainVolEnv], 0);
       }},
      {R"(<groups><group><sample path="a.wav" rootNote="60" sustain="0.5"/></group></groups>)",
       [](const Zone& z) { EXPECT_EQ(z.parameters.words[Word::sustainVolEnv], 60); }},
      // start is an offset, end (inclusive) shortens the sample.
      {R"(<groups><group><sample path="a.wav" rootNote="60" start="10" end="499"/></group>
           </groups>)",
       [](const Zone& z) {
         EXPECT_EQ(z.mapping.startOffset, 20);
         EXPECT_EQ(z.sample->frames, 500u);
       }},
      // Backslashes part folders; a stereo sample makes a stereo zone.
      {R"(<groups><group><sample path="Samples\stereo.wav" rootNote="60"/></group></groups>)",
       [](const Zone& z) {
         EXPECT_NE(z.mapping.flags & ZoneStereo, 0);
         EXPECT_EQ(z.sample->name, "stereo");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.groups);
    EXPECT_TRUE(Import(Preset(c.groups)).imported());
    const std::vector<Zone> zones = Zones();
    ASSERT_EQ(zones.size(), 1u);
    c.check(zones[0]);
  }
}

TEST(DecentValues, VolumeForms) {
  struct Case {
    const char* text;
    std::optional<double> db;
  };
  const Case cases[] = {
      {"1", 0.0},    {"0.5", -6.0206}, {"-3dB", -3.0}, {"2.5 db", 2.5}, {" -8.3273dB ", -8.3273},
      {"0", -144.0}, {"-1", -144.0},   {"loud", {}},   {"dB", {}},      {"", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto db = DecentVolumeDb(c.text);
    ASSERT_EQ(db.has_value(), c.db.has_value());
    if (db) {
      EXPECT_NEAR(*db, *c.db, 1e-3);
    }
  }
}

TEST_F(Decent, LoopsComeFromThePresetElseTheFile) {
  struct Case {
    const char* attributes;
    bool looped;
    std::uint32_t start, end;
  };
  const Case cases[] = {
      {R"(path="loop.wav")", true, 100, 900},
      {R"(path="a.wav")", false, 0, 1000},
      {R"(path="loop.wav" loopEnabled="false")", false, 100, 900},
      {R"(path="a.wav" loopEnabled="true" loopStart="10" loopEnd="19")", true, 10, 20},
      {R"(path="loop.wav" loopEnabled="1" loopEnd="499")", true, 100, 500},
      {R"(path="a.wav" loopEnabled="true" loopStart="10" loopEnd="5000")", true, 10, 1000},
      {R"(path="a.wav" loopEnabled="true" end="499")", true, 0, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    const std::string text = Preset(std::string("<groups><group><sample rootNote=\"60\" ") +
                                    c.attributes + "/></group></groups>");
    EXPECT_TRUE(Import(text).imported());
    const std::vector<Zone> zones = Zones();
    ASSERT_EQ(zones.size(), 1u);
    EXPECT_EQ((zones[0].mapping.flags & ZoneLoop) != 0, c.looped);
    EXPECT_EQ(zones[0].sample->loopStart, c.start);
    EXPECT_EQ(zones[0].sample->loopEnd, c.end);
  }
}

TEST_F(Decent, WhatTheInstrumentCannotHoldIsLeftOutAsNotes) {
  struct Case {
    const char* groups;
    std::size_t zones;
    std::vector<NoteKind> notes;
  };
  const Case cases[] = {
      {R"(<groups><group enabled="false"><sample path="a.wav"/></group><group enabled="0">
           <sample path="b.wav"/></group><group enabled="true"><sample path="c.wav"/></group>
           </groups>)",
       1,
       {}},
      {R"(<groups><group trigger="release"><sample path="a.wav"/></group><group>
           <sample path="b.wav"/><sample path="c.wav" trigger="release"/></group></groups>)",
       1,
       {NoteKind::ReleaseTrigger}},
      // Round robins split across the levels; "always" plays every position.
      {R"(<groups seqMode="round_robin"><group seqLength="3"><sample path="a.wav"
           seqPosition="1"/><sample path="b.wav" seqPosition="2"/><sample path="c.wav"
           seqPosition="3"/></group></groups>)",
       1,
       {NoteKind::LaterRoundRobin}},
      {R"(<groups><group><sample path="a.wav" seqPosition="1"/><sample path="b.wav"
           seqPosition="2"/></group></groups>)",
       2,
       {}},
      // Taken into the sample's values, far from full scale: nothing lost, nothing noted.
      {R"(<groups volume="2"><group><sample path="a.wav"/></group></groups>)", 1, {}},
      {R"(<groups volume="3dB"><group volume="-3dB"><sample path="a.wav"/></group></groups>)",
       1,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.groups);
    const ImportOutcome outcome = Import(Preset(c.groups));
    EXPECT_TRUE(outcome.imported());
    EXPECT_EQ(Zones().size(), c.zones);
    std::vector<NoteKind> notes;
    for (const ImportNote& note : outcome.notes) {
      notes.push_back(note.kind);
      // A preset's parts are its zones, as in what it leaves out.
      EXPECT_NE(NoteText(note).find(" zone"), std::string::npos) << NoteText(note);
    }
    EXPECT_EQ(notes, c.notes);
  }
}

// A gain above 0 dB scales the sample's values (7 becomes 14 at twice the volume); a sample
// another preset of the source plays at 0 dB keeps its own values.
TEST_F(Decent, GainsAboveZeroGoIntoSamplesThatOnlyTheirPresetPlays) {
  Source& source = CreateSource(library, "/lib/Strings.dsbundle");
  const std::string loud = Preset(
      R"(<groups volume="2"><group><sample path="a.wav" hiNote="60"/><sample path="b.wav"
         loNote="61" volume="0.5"/></group></groups>)");
  const std::string plain = Preset(R"(<groups><group><sample path="a.wav"/></group></groups>)");
  EXPECT_TRUE(ImportDecentPreset(library, source, plain, {"Plain", 0, {}}, files).imported());
  EXPECT_TRUE(ImportDecentPreset(library, source, loud, {"Loud", 0, {}}, files).imported());
  ASSERT_EQ(library.instruments.size(), 2u);
  const auto values = [](const Zone& zone) {
    std::vector<std::int16_t> all;
    for (const std::int16_t v : zone.sample->data) all.push_back(v);
    return std::vector<std::int16_t>{*std::min_element(all.begin(), all.end()),
                                     *std::max_element(all.begin(), all.end())};
  };
  // The list keeps instruments in name order.
  const Instrument& loudOne = *library.instruments[0];
  const Instrument& plainOne = *library.instruments[1];
  ASSERT_EQ(plainOne.name, "Plain");
  EXPECT_EQ(values(plainOne.zones[0]), (std::vector<std::int16_t>{7, 7}));
  ASSERT_EQ(loudOne.zones.size(), 2u);
  EXPECT_EQ(values(loudOne.zones[0]), (std::vector<std::int16_t>{14, 14}));
  EXPECT_NE(loudOne.zones[0].sample, plainOne.zones[0].sample);
  // b.wav at 0 dB overall is not scaled; the zones play at their own level.
  EXPECT_EQ(values(loudOne.zones[1]), (std::vector<std::int16_t>{7, 7}));
}

TEST_F(Decent, PresetsBrokenOutsideTheirGroupsImport) {
  const std::string groups =
      R"(<groups><group><sample path="a.wav" rootNote="60"/><sample path="b.wav"
           rootNote="62"/></group></groups>)";
  struct Case {
    const char* name;
    std::string text;
    std::size_t zones;
  };
  const std::string head = "<?xml version=\"1.0\"?><DecentSampler>";
  const Case cases[] = {
      {"duplicate attribute",
       head + R"(<ui><knob x="1" x="2"/></ui>)" + groups + "</DecentSampler>", 2},
      {"undefined entity",
       head + R"(<ui><label text="Bass &and; Treble"/></ui>)" + groups + "</DecentSampler>", 2},
      {"run-together attributes",
       head + R"(<ui><knob x="1"y="2"/></ui>)" + groups + "</DecentSampler>", 2},
      {"mismatched closing tag", head + "<ui><tab></ui></tab>" + groups + "</DecentSampler>", 2},
      {"broken after the groups", head + groups + "<midi><cc></midi></DecentSampler>", 2},
      {"no root", groups, 2},
      {"no groups", head + "<ui/></DecentSampler>", 0},
      {"broken groups", head + "<groups><group><sample path=\"a.wav\"></groups></DecentSampler>",
       0},
      {"not XML", "\x01\x02 nothing here", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ImportOutcome outcome = Import(c.text);
    if (c.zones == 0) {
      EXPECT_EQ(outcome.status, ImportStatus::Damaged);
      EXPECT_EQ(outcome.reason, "no <groups> element that can be read");
      EXPECT_TRUE(library.instruments.empty());
      continue;
    }
    EXPECT_TRUE(outcome.imported());
    EXPECT_EQ(Zones().size(), c.zones);
  }
}

TEST_F(Decent, SamplePathsStayInsideTheContainer) {
  struct Case {
    const char* path;
    std::string_view folder;
    const char* read;  // what the files are asked for; empty: left out
  };
  const Case cases[] = {
      {"Samples/a.wav", "", "Samples/a.wav"},
      {"Samples/../a.wav", "", "a.wav"},
      {"./Samples//a.wav", "", "Samples/a.wav"},
      {"../Samples/a.wav", "Presets/", "Samples/a.wav"},
      {"../a.wav", "", ""},
      {"../../a.wav", "Presets/", ""},
      {"Samples/../../a.wav", "", ""},
      {"/etc/a.wav", "", ""},
      {"C:\\Samples\\a.wav", "", ""},
      {"\\\\server\\a.wav", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string text = Preset(std::string("<groups><group><sample path=\"") + c.path +
                                    "\"/><sample path=\"ok.wav\"/></group></groups>");
    const ImportOutcome outcome = Import(text, c.folder);
    if (*c.read != '\0') {
      EXPECT_TRUE(outcome.imported());
      EXPECT_NE(std::find(files.paths.begin(), files.paths.end(), c.read), files.paths.end());
      continue;
    }
    ASSERT_EQ(outcome.status, ImportStatus::Damaged);
    ASSERT_EQ(outcome.leftOut.size(), 1u);
    EXPECT_EQ(outcome.leftOut[0].kind, LeftOutKind::SampleOutside);
    EXPECT_EQ(files.reads, 1);  // only ok.wav
    std::string shown = c.path;
    std::replace(shown.begin(), shown.end(), '\\', '/');
    EXPECT_EQ(OutcomeReason(outcome), "1 zone left out: sample '" + shown +
                                          "' lies outside the instrument's folder or archive");
  }
}

TEST_F(Decent, MissingSamplesLeaveTheirZonesOutAndSamplesAreReadOnce) {
  const ImportOutcome outcome = Import(Preset(R"(<groups><group>
      <sample path="a.wav" loNote="0" hiNote="10"/><sample path="a.wav" loNote="11" hiNote="20"/>
      <sample path="Samples/missing.wav"/><sample path="Samples/missing.wav"/></group></groups>)"));
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(outcome), "2 zones left out: sample 'Samples/missing.wav' not found");
  EXPECT_EQ(files.reads, 2);
  const std::vector<Zone> zones = Zones();
  ASSERT_EQ(zones.size(), 2u);
  EXPECT_EQ(zones[0].sample, zones[1].sample);

  EXPECT_EQ(
      Import(Preset(R"(<groups><group><sample path="missing.wav"/></group></groups>)")).reason,
      "no sample left");
  EXPECT_TRUE(library.instruments.empty());
  EXPECT_EQ(Import(Preset(R"(<groups><group><oscillator/></group></groups>)")).reason, "no sample");
}

// What a test compares of a library: each instrument's name and zones (keys, sample, values).
std::vector<std::string> Summary(const Library& library) {
  std::vector<std::string> lines;
  for (const auto& instrument : library.instruments) {
    lines.push_back(instrument->name);
    for (const Zone& zone : instrument->zones) {
      const auto [low, high] =
          std::minmax_element(zone.sample->data.begin(), zone.sample->data.end());
      lines.push_back(std::to_string(zone.mapping.keyLow) + "-" +
                      std::to_string(zone.mapping.keyHigh) + " " + zone.sample->name + " " +
                      std::to_string(*low) + ".." + std::to_string(*high) + " att " +
                      std::to_string(zone.parameters.bytes[Byte::attenuation]));
    }
  }
  for (const auto& source : library.sources)
    lines.push_back(std::to_string(source->samples.size()) + " samples");
  return lines;
}

// A container's presets decode their samples in one pass: a file two presets play is read
// once, and every preset comes out as it does imported alone.
TEST_F(Decent, PresetsOfAContainerReadASharedSampleOnce) {
  const std::string first = Preset(
      R"(<groups><group><sample path="Samples/a.wav" hiNote="60"/><sample path="b.wav"
         loNote="61" volume="2"/><sample path="Samples/missing.wav"/></group></groups>)");
  const std::string second = Preset(
      R"(<groups><group><sample path="..\Samples\a.wav" loNote="40"/><sample path="../b.wav"
         trigger="release"/><sample path="../Samples/missing.wav"/><sample path="../b.wav"
         loNote="70"/></group></groups>)");
  const DecentPresetText presets[] = {{{"First", 0, ""}, first, {}},
                                      {{"Gone", 0, ""}, std::nullopt, "cannot be read"},
                                      {{"Second", 0, "Presets/"}, second, {}}};

  Source& source = CreateSource(library, "/lib/Strings.dsbundle");
  const std::optional<std::vector<ImportOutcome>> together =
      ImportDecentPresets(library, source, presets, files, nullptr);
  ASSERT_TRUE(together.has_value());
  ASSERT_EQ(together->size(), 3u);
  std::vector<std::string> read = files.paths;
  std::sort(read.begin(), read.end());
  EXPECT_EQ(read, (std::vector<std::string>{"Samples/a.wav", "Samples/missing.wav", "b.wav"}));
  EXPECT_EQ((*together)[1].reason, "cannot be read");
  EXPECT_EQ(library.instruments.size(), 2u);

  Library alone;
  Source& aloneSource = CreateSource(alone, "/lib/Strings.dsbundle");
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    if (!presets[i].text) continue;
    const ImportOutcome outcome =
        ImportDecentPreset(alone, aloneSource, *presets[i].text, presets[i].place, files);
    EXPECT_EQ(OutcomeReason(outcome), OutcomeReason((*together)[i]));
    EXPECT_EQ(outcome.notes.size(), (*together)[i].notes.size());
  }
  EXPECT_EQ(OutcomeReason((*together)[0]),
            "1 zone left out: sample 'Samples/missing.wav' not found");
  EXPECT_EQ(Summary(library), Summary(alone));
  EXPECT_EQ(Summary(library).size(), 7u);  // two instruments, four zones, the samples
}

TEST_F(Decent, ACancelledContainerDecodesNothingAndAddsNothing) {
  struct Stopped : WorkProgress {
    bool Cancelled() const override { return true; }
  } stopped;
  const std::string text = Preset(R"(<groups><group><sample path="a.wav"/></group></groups>)");
  const DecentPresetText presets[] = {{{"One", 0, ""}, text, {}}};
  Source& source = CreateSource(library, "/lib/Strings.dsbundle");
  EXPECT_FALSE(ImportDecentPresets(library, source, presets, files, &stopped).has_value());
  EXPECT_EQ(files.reads, 0);
  EXPECT_TRUE(library.instruments.empty());
}

testing::Bytes SmallWave() {
  return testing::Riff("WAVE", {testing::FormatChunk(1, 22050, 16),
                                testing::Chunk("data", testing::ValuesLE16({1, 2, 3, 4}))});
}

TEST(DecentBundle, ADroppedBundleImportsItsPresetsNotItsLooseSamples) {
  const testing::TestFolder folder;
  const std::filesystem::path bundle = folder / "Strings.dsbundle";
  std::filesystem::create_directories(bundle / "Samples");
  std::filesystem::create_directories(bundle / "Extra");
  testing::WriteFile(bundle / "Samples" / "C3.wav", SmallWave());
  testing::WriteFile(bundle / "Samples" / "Loose.wav", SmallWave());
  testing::WriteFileText(
      bundle / "Soft.dspreset",
      Preset(R"(<groups><group><sample path="Samples/C3.wav"/></group></groups>)"));
  testing::WriteFileText(
      bundle / "Extra" / "Hard.DSPRESET",
      Preset(R"(<groups><group><sample path="../Samples/C3.wav"/><sample path="../../x.wav"/>
              </group></groups>)"));
  testing::WriteFileText(bundle / "Broken.dspreset", "<DecentSampler><ui>");

  SoundDatabase database;
  Library library;
  const ImportOutcome outcome = ImportFile(library, database, PathToUtf8(bundle));
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(outcome),
            "Broken.dspreset: no <groups> element that can be read; 1 zone left out: sample "
            "'../../x.wav' lies outside the instrument's folder or archive");
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_EQ(library.sources[0]->baseName, "Strings.dsbundle");
  ASSERT_EQ(library.instruments.size(), 2u);
  EXPECT_EQ(library.instruments[0]->name, "Hard");
  EXPECT_EQ(library.instruments[1]->name, "Soft");
  // Both presets play one sample of the source.
  EXPECT_EQ(library.sources[0]->samples.size(), 1u);

  std::filesystem::create_directories(folder / "Empty.dsbundle");
  EXPECT_EQ(ImportFile(library, database, PathToUtf8(folder / "Empty.dsbundle")).status,
            ImportStatus::NotRecognised);
}

// The same presets as an archive: read in place, the same sharing and the same limits, and
// entries whose names could escape the archive named.
TEST(DecentLibrary, AnArchiveImportsEveryPresetWithSamplesFromInside) {
  const testing::TestFolder folder;
  const std::string soft =
      Preset(R"(<groups><group><sample path="Samples/C3.wav"/></group></groups>)");
  const std::string hard = Preset(
      R"(<groups><group><sample path="..\Samples\C3.wav"/><sample path="../../x.wav"/>
         </group></groups>)");
  const auto text = [](const std::string& t) {
    testing::Bytes bytes;
    for (const char c : t) bytes.push_back(static_cast<std::byte>(c));
    return bytes;
  };
  testing::WriteFile(folder / "Strings.dslibrary",
                     testing::MakeZip({{"Soft.dspreset", text(soft), true},
                                       {"Presets/Hard.dspreset", text(hard), false},
                                       {"Samples/C3.wav", SmallWave(), true},
                                       {"../evil.wav", SmallWave(), false}}));
  testing::WriteFile(folder / "Nothing.dslibrary",
                     testing::MakeZip({{"Samples/C3.wav", SmallWave(), false}}));
  testing::WriteFileText(folder / "Cut.dslibrary", "PK\x03\x04 not an archive");

  SoundDatabase database;
  Library library;
  const ImportOutcome outcome =
      ImportFile(library, database, PathToUtf8(folder / "Strings.dslibrary"));
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(outcome),
            "1 file left out: archive entry '../evil.wav' refused: it has a '..' part; 1 zone "
            "left out: sample '../../x.wav' lies outside the instrument's folder or archive");
  ASSERT_EQ(library.instruments.size(), 2u);
  EXPECT_EQ(library.instruments[0]->name, "Hard");
  EXPECT_EQ(library.instruments[1]->name, "Soft");
  EXPECT_EQ(library.instruments[0]->zones.size(), 1u);
  EXPECT_EQ(library.sources[0]->samples.size(), 1u);

  for (const char* name : {"Nothing.dslibrary", "Cut.dslibrary"}) {
    Library other;
    const ImportOutcome refused = ImportFile(other, database, PathToUtf8(folder / name));
    EXPECT_EQ(refused.status, ImportStatus::Damaged) << name;
    EXPECT_FALSE(OutcomeReason(refused).empty()) << name;
    EXPECT_TRUE(other.instruments.empty()) << name;
  }
}

}  // namespace
}  // namespace tolvane
