// Bitwig multisamples: the attributes of multisample.xml onto zones, with samples from memory;
// then whole .multisample archives and folders from disk.

#include "import/bitwig/multisample_import.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "zip_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::MakeZip;
using testing::TestWave;

// Samples of 1000 mono frames, with a loop (100, 900) when named "loop", stereo when named
// "stereo"; "missing" is not there, "broken" cannot be read. Every request is counted.
class FakeFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    ++reads;
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    if (path.find("broken") != std::string::npos)
      return {std::nullopt, ImportOutcome::Damaged("zip entry fails its checksum")};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = path.find("stereo") != std::string::npos ? 2 : 1;
    sound.frames = 1000;
    sound.values.assign(std::size_t{sound.frames} * sound.channels, 7);
    if (path.find("loop") != std::string::npos) sound.markers.loop = SoundLoop{100, 900};
    return {std::move(sound), {}};
  }
  mutable std::atomic<int> reads{0};
};

class Multisample : public ::testing::Test {
 protected:
  ImportOutcome Import(const std::string& samples, const std::string& name = "Keys") {
    ClearLibrary(library);
    files.reads = 0;
    Source& source = CreateSource(library, "/lib/Piano.multisample");
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<multisample" +
                             (name.empty() ? "" : " name=\"" + name + "\"") +
                             "><generator>t</generator>" + samples + "</multisample>";
    return ImportMultisampleText(library, source, text, 0, files);
  }
  std::vector<Zone> Zones() {
    if (library.instruments.size() != 1) return {};
    const Instrument& instrument = *library.instruments[0];
    std::vector<Zone> zones = instrument.zones;
    for (Zone& zone : zones) AddParameters(zone, instrument.parameters);
    return zones;
  }

  FakeFiles files;
  Library library;
};

TEST_F(Multisample, AttributesMapOntoZonesAndSamples) {
  using Byte = ZoneParameters::Byte;
  const auto keyLow = [](const Zone& z) { return int{z.mapping.keyLow}; };
  const auto keyHigh = [](const Zone& z) { return int{z.mapping.keyHigh}; };
  const auto velLow = [](const Zone& z) { return int{z.mapping.velLow}; };
  const auto velHigh = [](const Zone& z) { return int{z.mapping.velHigh}; };
  const auto root = [](const Zone& z) { return int{z.mapping.overridingRootKey}; };
  const auto coarse = [](const Zone& z) { return int{z.mapping.coarseTune}; };
  const auto fine = [](const Zone& z) { return int{z.mapping.fineTune}; };
  const auto scale = [](const Zone& z) { return int{z.mapping.scaleTuning}; };
  const auto attenuation = [](const Zone& z) { return int{z.parameters.bytes[Byte::attenuation]}; };
  const auto start = [](const Zone& z) { return int{z.mapping.startOffset}; };
  const auto looped = [](const Zone& z) { return int{z.mapping.flags & ZoneLoop}; };
  const auto stereo = [](const Zone& z) { return int{z.mapping.flags & ZoneStereo}; };
  const auto frames = [](const Zone& z) { return static_cast<int>(z.sample->frames); };
  const auto loopStart = [](const Zone& z) { return static_cast<int>(z.sample->loopStart); };
  const auto loopEnd = [](const Zone& z) { return static_cast<int>(z.sample->loopEnd); };
  const struct {
    const char* sample;
    int (*field)(const Zone&);
    int expected;
  } cases[] = {
      // Defaults: every key and velocity, root 60 (C3 to Bitwig), no loop.
      {R"(<sample file="a.wav"/>)", keyLow, 0},
      {R"(<sample file="a.wav"/>)", keyHigh, 127},
      {R"(<sample file="a.wav"/>)", velLow, 0},
      {R"(<sample file="a.wav"/>)", velHigh, 127},
      {R"(<sample file="a.wav"/>)", root, 60},
      {R"(<sample file="a.wav"/>)", scale, 0},
      {R"(<sample file="a.wav"/>)", frames, 1000},
      {R"(<sample file="a.wav"/>)", looped, 0},
      {R"(<sample file="stereo.wav"/>)", stereo, ZoneStereo},
      {R"(<sample file="a.wav"><key root="48" low="40" high="50"/></sample>)", root, 48},
      {R"(<sample file="a.wav"><key root="48" low="40" high="50"/></sample>)", keyLow, 40},
      {R"(<sample file="a.wav"><key root="48" low="40" high="50"/></sample>)", keyHigh, 50},
      {R"(<sample file="a.wav"><key low="-5" high="300"/></sample>)", keyLow, 0},
      {R"(<sample file="a.wav"><key low="-5" high="300"/></sample>)", keyHigh, 127},
      // Tune is in semitones, fractions are fine tuning.
      {R"(<sample file="a.wav"><key tune="1.25"/></sample>)", coarse, 1},
      {R"(<sample file="a.wav"><key tune="1.25"/></sample>)", fine, 25},
      {R"(<sample file="a.wav"><key tune="-0.5"/></sample>)", fine, -50},
      {R"(<sample file="a.wav"><key tune="nan"/></sample>)", fine, 0},
      {R"(<sample file="a.wav"><key track="0.5"/></sample>)", scale, 50},
      {R"(<sample file="a.wav"><key track="1"/></sample>)", scale, 0},
      // A fixed pitch: 1 cent a key about the range's middle.
      {R"(<sample file="a.wav"><key track="0" root="70" low="36" high="36"/></sample>)", scale, 1},
      {R"(<sample file="a.wav"><key track="0" root="70" low="36" high="36"/></sample>)", root, 36},
      {R"(<sample file="a.wav"><velocity low="1" high="64"/></sample>)", velLow, 0},
      {R"(<sample file="a.wav"><velocity low="1" high="64"/></sample>)", velHigh, 64},
      {R"(<sample file="a.wav"><velocity low="65"/></sample>)", velLow, 65},
      {R"(<sample file="a.wav" gain="-6.2"/>)", attenuation, 6},
      {R"(<sample file="a.wav" gain="4"/>)", attenuation, 0},
      // Start and stop in frames: the start as the zone's offset, the stop as the sample's end.
      {R"(<sample file="a.wav" sample-start="100.4" sample-stop="800"/>)", start, 200},
      {R"(<sample file="a.wav" sample-start="100.4" sample-stop="800"/>)", frames, 800},
      {R"(<sample file="a.wav" sample-stop="5000"/>)", frames, 1000},
      {R"(<sample file="a.wav" sample-start="500" sample-stop="400"/>)", frames, 1000},
      // A <loop> decides; without one the file's own loop plays.
      {R"(<sample file="a.wav"><loop mode="loop" start="10" stop="500"/></sample>)", looped, 1},
      {R"(<sample file="a.wav"><loop mode="loop" start="10" stop="500"/></sample>)", loopStart, 10},
      {R"(<sample file="a.wav"><loop mode="loop" start="10" stop="500"/></sample>)", loopEnd, 500},
      {R"(<sample file="a.wav"><loop mode="loop"/></sample>)", loopEnd, 1000},
      {R"(<sample file="a.wav"><loop mode="ping-pong" start="5"/></sample>)", loopStart, 5},
      {R"(<sample file="loop.wav"><loop mode="off"/></sample>)", looped, 0},
      {R"(<sample file="loop.wav"/>)", looped, 1},
      {R"(<sample file="loop.wav"/>)", loopStart, 100},
      {R"(<sample file="loop.wav" sample-stop="600"/>)", loopEnd, 600},
      {R"(<sample file="a.wav" sample-stop="600"><loop mode="loop" stop="900"/></sample>)", loopEnd,
       600},
  };
  for (const auto& c : cases) {
    const ImportOutcome outcome = Import(c.sample);
    EXPECT_TRUE(outcome.recognised()) << c.sample;
    const std::vector<Zone> zones = Zones();
    ASSERT_EQ(zones.size(), 1u) << c.sample;
    EXPECT_EQ(c.field(zones[0]), c.expected) << c.sample;
  }
}

TEST_F(Multisample, WhatCannotBeKeptIsNotedAndWhatCannotBeReadIsNamed) {
  const struct {
    std::string samples;
    std::size_t zones;
    std::string lines;  // as the programs word the outcome
  } cases[] = {
      // Values of 7 take 73.4 dB before they clip.
      {R"(<sample file="a.wav" gain="3"/>)", 1, ""},
      {R"(<sample file="a.wav" gain="100"/>)", 1,
       "note: 1 zone played up to 26.6 dB quieter than asked: a gain above 0 dB is kept only as "
       "far as the sample's peak allows"},
      {R"(<sample file="a.wav" reverse="true"/>)", 1,
       "note: 1 zone played forwards: reverse playback cannot be kept"},
      {R"(<sample file="a.wav"><loop mode="ping-pong"/></sample>)", 1,
       "note: 1 zone loop forwards: alternating (ping-pong) loops cannot be kept"},
      {R"(<sample file="a.wav" zone-logic="round-robin"/>)"
       R"(<sample file="b.wav" zone-logic="round-robin"/>)"
       R"(<sample file="c.wav" zone-logic="round-robin"><key low="1"/></sample>)"
       R"(<sample file="d.wav"/>)",
       3, "note: 1 zone left out: only the first round robin is kept"},
      {R"(<sample file="a.wav"/><sample file="Samples/missing.wav"/>)", 1,
       "damaged (1 instrument imported): 1 zone left out: sample 'Samples/missing.wav' not found"},
      {R"(<sample file="a.wav"/><sample file="../other/a.wav"/>)", 1,
       "damaged (1 instrument imported): 1 zone left out: sample '../other/a.wav' lies outside "
       "the instrument's folder or archive"},
      {R"(<sample file="a.wav"/><sample file="broken.wav"/>)", 1,
       "damaged (1 instrument imported): 1 zone left out: sample 'broken.wav' cannot be read: "
       "zip entry fails its checksum"},
      {R"(<sample file="missing.wav"/>)", 0,
       "damaged: no sample left; 1 zone left out: sample 'missing.wav' not found"},
      {"", 0, "damaged: no sample"},
  };
  for (const auto& c : cases) {
    const ImportOutcome outcome = Import(c.samples);
    EXPECT_EQ(Zones().size(), c.zones) << c.samples;
    std::string lines;
    for (const std::string& line : ImportOutcomeLines(outcome, library.instruments.size()))
      lines += (lines.empty() ? "" : "\n") + line;
    EXPECT_EQ(lines, c.lines) << c.samples;
  }
}

TEST_F(Multisample, EachFileIsReadOnceAndTheNameComesFromTheFileWhenNotGiven) {
  EXPECT_TRUE(Import(R"(<sample file="a.wav"/><sample file="./a.wav"><key low="5"/></sample>)"
                     R"(<sample file="a.wav" sample-stop="10"/>)")
                  .imported());
  EXPECT_EQ(files.reads, 1);
  EXPECT_EQ(Zones().size(), 3u);
  EXPECT_EQ(library.instruments[0]->name, "Keys");
  EXPECT_TRUE(Import(R"(<sample file="a.wav"/>)", "").imported());
  EXPECT_EQ(library.instruments[0]->name, "Piano");
}

// Samples inside <layer> elements are read with those beside them, in document order.
TEST_F(Multisample, SamplesInsideLayersAreRead) {
  ASSERT_TRUE(Import(R"(<layer name="soft"><sample file="a.wav"><key low="1" high="1"/></sample>)"
                     R"(</layer><sample file="b.wav"><key low="2" high="2"/></sample>)"
                     R"(<layer><sample file="c.wav"><key low="3" high="3"/></sample></layer>)")
                  .imported());
  std::vector<int> keys;
  for (const Zone& zone : Zones()) keys.push_back(zone.mapping.keyLow);
  EXPECT_EQ(keys, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(files.reads, 3);
}

TEST_F(Multisample, TextThatIsNoMultisampleIsDamage) {
  ClearLibrary(library);
  Source& source = CreateSource(library, "/lib/x.multisample");
  for (const char* text : {"<multisample name='x'><sample", "<drumkit_info/>", ""}) {
    const ImportOutcome outcome = ImportMultisampleText(library, source, text, 0, files);
    EXPECT_EQ(outcome.status, ImportStatus::Damaged) << text;
    EXPECT_FALSE(outcome.reason.empty()) << text;
    EXPECT_TRUE(library.instruments.empty()) << text;
  }
}

const char* const kMapping = R"(<?xml version="1.0" encoding="UTF-8"?>
<multisample name="Organ">
  <generator>Bitwig Studio</generator><category>Organ</category><creator>me</creator>
  <sample file="Samples/C3.wav" sample-stop="40"><key root="60" low="0" high="62"/></sample>
  <sample file="samples/e3.WAV"><key root="64" low="63" high="127"/>
    <loop mode="loop" start="2" stop="20"/></sample>
</multisample>
)";

Bytes TextBytes(std::string_view text) {
  Bytes bytes;
  for (const char c : text) bytes.push_back(static_cast<std::byte>(c));
  return bytes;
}

class MultisampleFiles : public ::testing::Test {
 protected:
  ImportOutcome Import(const std::filesystem::path& path) {
    ClearLibrary(library);
    return ImportFile(library, database, path.string());
  }
  void ExpectOrgan() {
    ASSERT_EQ(library.instruments.size(), 1u);
    const Instrument& organ = *library.instruments[0];
    EXPECT_EQ(organ.name, "Organ");
    ASSERT_EQ(organ.zones.size(), 2u);
    EXPECT_EQ(organ.zones[0].mapping.keyHigh, 62);
    EXPECT_EQ(organ.zones[0].sample->frames, 40u);
    EXPECT_EQ(organ.zones[1].mapping.overridingRootKey, 64);
    EXPECT_EQ(organ.zones[1].sample->loopEnd, 20u);
    EXPECT_EQ(organ.zones[1].sample->channels, 2u);
  }

  testing::TempFolder folder;
  SoundDatabase database;
  Library library;
};

TEST_F(MultisampleFiles, ArchiveWithStoredAndDeflatedSamples) {
  testing::WriteFile(folder / "Organ.multisample",
                     MakeZip({{"multisample.xml", TextBytes(kMapping), true},
                              {"Samples/C3.wav", TestWave(50), false},
                              {"Samples/E3.wav", TestWave(30, 2), true}}));
  const ImportOutcome outcome = Import(folder / "Organ.multisample");
  EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
  ExpectOrgan();
}

TEST_F(MultisampleFiles, ArchiveRefusalsAreNamed) {
  const struct {
    std::vector<testing::ZipItem> items;
    std::string reason;
    std::size_t instruments;
  } cases[] = {
      {{{"Samples/C3.wav", TestWave(50)}}, "no multisample.xml at the archive's root", 0},
      {{{"multisample.xml", TextBytes(kMapping)},
        {"Samples/C3.wav", TestWave(50)},
        {"Samples/E3.wav", TestWave(30, 2)},
        {"../evil.wav", TestWave(10)}},
       "1 file left out: archive entry '../evil.wav' refused: it has a '..' part",
       1},
      {{{"multisample.xml", TextBytes(kMapping)}, {"Samples/C3.wav", TestWave(50)}},
       "1 zone left out: sample 'samples/e3.WAV' not found",
       1},
  };
  for (const auto& c : cases) {
    testing::WriteFile(folder / "Organ.multisample", MakeZip(c.items));
    const ImportOutcome outcome = Import(folder / "Organ.multisample");
    EXPECT_EQ(outcome.status, ImportStatus::Damaged) << c.reason;
    EXPECT_EQ(OutcomeReason(outcome), c.reason);
    EXPECT_EQ(library.instruments.size(), c.instruments) << c.reason;
  }
  testing::WriteFile(folder / "Organ.multisample", TextBytes("not a zip at all"));
  EXPECT_EQ(Import(folder / "Organ.multisample").status, ImportStatus::Damaged);
}

TEST_F(MultisampleFiles, FolderHoldingMultisampleXmlIsThatInstrument) {
  std::filesystem::create_directories(folder / "Organ" / "Samples");
  testing::WriteFile(folder / "Organ" / "multisample.xml", TextBytes(kMapping));
  testing::WriteFile(folder / "Organ" / "Samples" / "C3.wav", TestWave(50));
  testing::WriteFile(folder / "Organ" / "Samples" / "E3.wav", TestWave(30, 2));
  // A stray sample beside it is not an instrument of its own.
  testing::WriteFile(folder / "Organ" / "Stray.wav", TestWave(30));
  const ImportOutcome outcome = Import(folder / "Organ");
  EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
  ExpectOrgan();
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_EQ(library.sources[0]->baseName, "Organ");

  // The mapping file dropped alone reads the same folder.
  EXPECT_TRUE(Import(folder / "Organ" / "multisample.xml").imported());
  ExpectOrgan();
}

}  // namespace
}  // namespace tolvane
