// SFZ instruments read from text with samples and included files given from memory.

#include "import/outcome_text.h"
#include "import/sfz/sfz_import.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "import/instrument_files.h"
#include "import/sfz/sfz_outcome.h"
#include "import/sfz/sfz_parser.h"
#include "import/sfz/sfz_regions.h"
#include "library/library.h"

namespace tolvane {
namespace {

using Byte = ZoneParameters::Byte;
using Word = ZoneParameters::Word;

// Samples of 1000 frames (mono unless named "stereo") of value 7 (30000 when named "loud"),
// with a loop when named "loop"; texts by path. Every request is counted.
class FakeFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& path) const override {
    const auto found = texts.find(path);
    if (found == texts.end()) return std::nullopt;
    return found->second;
  }
  SoundReading ReadSample(const std::string& path) const override {
    ++reads;
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    if (path.find("broken") != std::string::npos)
      return {std::nullopt, ImportOutcome::Damaged("no 'data' chunk after the 'fmt ' chunk")};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = path.find("stereo") != std::string::npos ? 2 : 1;
    sound.frames = 1000;
    sound.values.assign(std::size_t{sound.frames} * sound.channels,
                        path.find("loud") != std::string::npos ? 30000 : 7);
    if (path.find("loop") != std::string::npos) sound.markers.loop = SoundLoop{100, 900};
    return {std::move(sound), {}};
  }
  std::map<std::string, std::string> texts;
  mutable std::atomic<int> reads{0};
};

class Sfz : public ::testing::Test {
 protected:
  ImportOutcome Import(std::string_view text) {
    ClearLibrary(library);
    files.reads = 0;
    Source& source = CreateSource(library, "/lib/Piano.sfz");
    return ImportSfzText(library, source, text, 0, files);
  }
  // The zones of the only instrument, with absolute parameters, in key order.
  std::vector<Zone> Zones() {
    EXPECT_EQ(library.instruments.size(), 1u);
    if (library.instruments.size() != 1) return {};
    const Instrument& instrument = *library.instruments[0];
    std::vector<Zone> zones = instrument.zones;
    for (Zone& zone : zones) AddParameters(zone, instrument.parameters);
    return zones;
  }
  Zone Only(std::string_view text) {
    EXPECT_TRUE(Import(text).imported()) << text;
    const std::vector<Zone> zones = Zones();
    EXPECT_EQ(zones.size(), 1u) << text;
    return zones.empty() ? Zone{} : zones[0];
  }

  FakeFiles files;
  Library library;
};

TEST_F(Sfz, OpcodesMapOntoZoneFields) {
  struct Case {
    const char* opcodes;
    int (*field)(const Zone&);
    int expected;
  };
  const auto keyLow = [](const Zone& z) { return int{z.mapping.keyLow}; };
  const auto keyHigh = [](const Zone& z) { return int{z.mapping.keyHigh}; };
  const auto velLow = [](const Zone& z) { return int{z.mapping.velLow}; };
  const auto velHigh = [](const Zone& z) { return int{z.mapping.velHigh}; };
  const auto root = [](const Zone& z) { return int{z.mapping.overridingRootKey}; };
  const auto coarse = [](const Zone& z) { return int{z.mapping.coarseTune}; };
  const auto fine = [](const Zone& z) { return int{z.mapping.fineTune}; };
  const auto scale = [](const Zone& z) { return int{z.mapping.scaleTuning}; };
  const auto loop = [](const Zone& z) { return int{z.mapping.flags & ZoneLoop}; };
  const auto stereo = [](const Zone& z) { return int{z.mapping.flags & ZoneStereo}; };
  const auto start = [](const Zone& z) { return int{z.mapping.startOffset}; };
  const auto attenuation = [](const Zone& z) { return int{z.parameters.bytes[Byte::attenuation]}; };
  const auto pan = [](const Zone& z) { return int{z.parameters.Signed(Byte::pan)}; };
  const auto attack = [](const Zone& z) { return int{z.parameters.Signed(Byte::attackVolEnv)}; };
  const auto release = [](const Zone& z) { return int{z.parameters.Signed(Byte::releaseVolEnv)}; };
  const auto sustain = [](const Zone& z) { return int{z.parameters.words[Word::sustainVolEnv]}; };
  const auto cutoff = [](const Zone& z) { return int{z.parameters.words[Word::initialFilterFc]}; };
  const auto q = [](const Zone& z) { return int{z.parameters.words[Word::initialFilterQ]}; };
  const Case cases[] = {
      {"lokey=36 hikey=c4", keyLow, 36},
      {"lokey=36 hikey=c4", keyHigh, 60},
      {"key=c#4", keyLow, 61},
      {"key=db4", keyHigh, 61},
      {"key=c#4", root, 61},
      {"", root, 60},
      {"pitch_keycenter=a3", root, 57},
      {"lovel=10 hivel=90", velLow, 10},
      {"lovel=10 hivel=90", velHigh, 90},
      // Found by fuzzing: numbers with no integer to become are clamped first.
      {"lovel=-1e41 hivel=1.33333e+41", velLow, 0},
      {"lovel=-1e41 hivel=1.33333e+41", velHigh, 127},
      {"tune=250", coarse, 2},
      {"tune=250", fine, 50},
      {"tune=-30 transpose=-1", coarse, -1},
      {"tune=-30 transpose=-1", fine, -30},
      {"pitch_keytrack=50", scale, 50},
      {"volume=-12.5", attenuation, 12},
      {"pan=-100", pan, -100},
      {"pan=40", pan, 40},
      {"offset=500", start, 1000},
      {"ampeg_attack=1", attack, 0},
      {"ampeg_attack=0.5", attack, -12},
      {"ampeg_attack=0", attack, -120},
      {"ampeg_release=2", release, 12},
      {"ampeg_sustain=100", sustain, 0},
      {"ampeg_sustain=10", sustain, 200},
      {"ampeg_sustain=0", sustain, 1440},
      {"cutoff=1000", cutoff, 8321},
      {"cutoff=1000 resonance=6", q, 60},
      {"cutoff=1000 fil_type=hpf_2p", cutoff, 13500},
      {"", loop, 0},
      {"loop_mode=loop_continuous", loop, ZoneLoop},
      {"loop_mode=loop_sustain loop_start=10 loop_end=20", loop, ZoneLoop},
  };
  for (const Case& c : cases) {
    const Zone zone = Only(std::string("<region> sample=a.wav ") + c.opcodes);
    EXPECT_EQ(c.field(zone), c.expected) << c.opcodes;
  }
  // The sample decides the loop mode by default; the region may turn it off.
  EXPECT_EQ(loop(Only("<region> sample=loop.wav")), ZoneLoop);
  EXPECT_EQ(loop(Only("<region> sample=loop.wav loop_mode=one_shot")), 0);
  EXPECT_EQ(stereo(Only("<region> sample=stereo.wav")), ZoneStereo);
  // Key offsets of the control header.
  EXPECT_EQ(keyLow(Only("<control> note_offset=2 octave_offset=-1 <region> sample=a.wav key=60")),
            50);
}

TEST_F(Sfz, LoopsComeFromTheRegionOrTheSample) {
  Only("<region> sample=loop.wav");
  Sample* sample = library.instruments[0]->zones[0].sample;
  EXPECT_EQ(sample->loopStart, 100u);
  EXPECT_EQ(sample->loopEnd, 900u);
  EXPECT_EQ(sample->name, "loop");
  Only("<region> sample=a.wav loop_mode=loop_continuous loop_start=10 loop_end=499");
  sample = library.instruments[0]->zones[0].sample;
  EXPECT_EQ(sample->loopStart, 10u);
  EXPECT_EQ(sample->loopEnd, 500u);
  Only("<region> sample=a.wav loop_mode=loop_continuous");
  EXPECT_EQ(library.instruments[0]->zones[0].sample->loopEnd, 1000u);
}

// The first sample made from a file takes its decoded values over; the others still read them.
TEST_F(Sfz, ASampleFilePlayedWithLoopsOfItsOwnKeepsItsValuesInEverySample) {
  ASSERT_TRUE(Import("<region> sample=a.wav key=1 <region> sample=a.wav key=2 loop_start=10 "
                     "loop_end=20 <region> sample=a.wav key=3 <region> sample=a.wav key=4 "
                     "loop_start=10 loop_end=20")
                  .imported());
  EXPECT_EQ(files.reads, 1);
  const std::vector<Zone> zones = Zones();
  ASSERT_EQ(zones.size(), 4u);
  EXPECT_EQ(zones[0].sample, zones[2].sample);
  EXPECT_EQ(zones[1].sample, zones[3].sample);
  EXPECT_NE(zones[0].sample, zones[1].sample);
  for (const Zone& zone : zones)
    EXPECT_EQ(zone.sample->data, std::vector<std::int16_t>(1000, 7)) << zone.sample->name;
}

TEST_F(Sfz, HeadersPassTheirOpcodesDown) {
  ASSERT_TRUE(Import("<global> volume=-6 pan=10 <master> lovel=5 <group> hivel=100 tune=10\n"
                     "<region> sample=a.wav key=60 tune=20\n"
                     "<region> sample=a.wav key=61\n"
                     "<group> <region> sample=a.wav key=62\n"
                     "<master> <region> sample=a.wav key=63\n"
                     "<global> <region> sample=a.wav key=64\n"
                     "<curve> volume=-20 <region> sample=a.wav key=65\n")
                  .imported());
  const std::vector<Zone> zones = Zones();
  ASSERT_EQ(zones.size(), 6u);
  struct Expected {
    int attenuation, pan, velLow, velHigh, fine;
  };
  const Expected expected[] = {{6, 10, 5, 100, 20}, {6, 10, 5, 100, 10}, {6, 10, 5, 127, 0},
                               {6, 10, 0, 127, 0},  {0, 0, 0, 127, 0},   {0, 0, 0, 127, 0}};
  for (std::size_t i = 0; i < zones.size(); ++i) {
    EXPECT_EQ(zones[i].parameters.bytes[Byte::attenuation], expected[i].attenuation) << i;
    EXPECT_EQ(zones[i].parameters.Signed(Byte::pan), expected[i].pan) << i;
    EXPECT_EQ(zones[i].mapping.velLow, expected[i].velLow) << i;
    EXPECT_EQ(zones[i].mapping.velHigh, expected[i].velHigh) << i;
    EXPECT_EQ(zones[i].mapping.fineTune, expected[i].fine) << i;
  }
}

// Players read names in any case; values (a sample's path above all) keep theirs.
TEST_F(Sfz, HeaderAndOpcodeNamesAreReadInAnyCase) {
  for (const char* text : {"<global> volume=-6 <region> sample=Samples/A b.wav key=60 tune=5",
                           "<Global> VOLUME=-6 <REGION> Sample=Samples/A b.wav Key=60 Tune=5"}) {
    SCOPED_TRACE(text);
    const Zone zone = Only(text);  // its sample lives until the next import
    EXPECT_EQ(zone.mapping.keyLow, 60);
    EXPECT_EQ(zone.mapping.fineTune, 5);
    EXPECT_EQ(zone.parameters.bytes[Byte::attenuation], 6);
    ASSERT_NE(zone.sample, nullptr);
    EXPECT_EQ(zone.sample->name, "A b");
  }
}

// Regions chosen by program make one instrument a program, named after the file and the
// program's label or numbers; regions of every program go into each.
TEST_F(Sfz, ProgramsBecomeInstrumentsOfTheirOwn) {
  const struct {
    const char* text;
    std::vector<std::pair<std::string, std::vector<int>>> instruments;  // name, keys
  } cases[] = {
      {"<region> key=1 <region> key=2", {{"Piano", {1, 2}}}},
      {"<master> loprog=0 hiprog=0 master_label=Grand <region> key=1\n"
       "<master> loprog=5 hiprog=5 <region> key=2 <region> key=3\n"
       "<global> <region> key=4",
       {{"Piano 5", {2, 3, 4}}, {"Piano Grand", {1, 4}}}},
      // Neighbours playing the same regions are one program over their range.
      {"<group> loprog=8 hiprog=15 <region> key=1 <group> loprog=16 <region> key=2",
       {{"Piano 16-127", {2}}, {"Piano 8-15", {1}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    for (std::size_t at = 0; (at = text.find("<region>", at)) != std::string::npos; at += 8)
      text.insert(at + 8, " sample=a.wav");
    ASSERT_TRUE(Import(text).imported());
    ASSERT_EQ(library.instruments.size(), c.instruments.size());
    for (std::size_t i = 0; i < c.instruments.size(); ++i) {
      const Instrument& instrument = *library.instruments[i];
      EXPECT_EQ(instrument.name, c.instruments[i].first);
      std::vector<int> keys;
      for (const Zone& zone : instrument.zones) keys.push_back(zone.mapping.keyLow);
      EXPECT_EQ(keys, c.instruments[i].second) << instrument.name;
    }
    EXPECT_EQ(files.reads, 1);  // one sample, read once for every program
  }
}

// A region without a sample is left out and noted, naming the opcode that was likely meant.
TEST_F(Sfz, RegionsWithoutASampleAreNoted) {
  const ImportOutcome outcome =
      Import("<region> smaple=a.wav key=1 <region> sample=a.wav key=2 <region> key=3");
  ASSERT_TRUE(outcome.imported());
  ASSERT_EQ(outcome.notes.size(), 1u);
  EXPECT_EQ(NoteText(outcome.notes[0]),
            "2 regions left out: no sample ('smaple' is not an opcode the converter knows)");
  EXPECT_EQ(Zones().size(), 1u);
}

TEST_F(Sfz, TextIncludesDefinesCommentsAndPaths) {
  files.texts["inc/keys.sfz"] = "#define $HI 72\n<region> sample=$DIR\\b c.wav hikey=$HI";
  files.texts["inc/more.sfz"] = "<region> sample=d.wav key=10";
  const SfzText text = ParseSfz(
      "// a comment\n#define $DIR Samples/Soft /* block\n comment */ #define $D2 x\n"
      "<control> default_path=../ #include \"inc/keys.sfz\" #include \"inc\\more.sfz\"\n"
      "<region> sample=a b.wav lokey=$HIGH volume=-3 // $HI is defined late\n",
      [&](const std::string& path) { return files.ReadText(path); });
  EXPECT_FALSE(text.damage.has_value());
  std::vector<std::string> values;
  for (const SfzSection& section : text.sections) {
    for (const SfzOpcode& opcode : section.opcodes)
      values.push_back(opcode.name + "=" + opcode.value);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"default_path=../", "sample=Samples/Soft\\b c.wav",
                                              "hikey=72", "sample=d.wav", "key=10",
                                              "sample=a b.wav", "lokey=72GH", "volume=-3"}));
}

TEST_F(Sfz, IncludeCyclesAndDepthAreDamageNotHangs) {
  files.texts["self.sfz"] = "<region> sample=a.wav #include \"self.sfz\" #include \"self.sfz\"";
  for (int i = 0; i < 20; ++i) {
    files.texts["deep" + std::to_string(i) + ".sfz"] =
        "#include \"deep" + std::to_string(i + 1) + ".sfz\"";
  }
  const ImportOutcome cycle = Import("#include \"self.sfz\"");
  EXPECT_EQ(cycle.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(cycle), "#include cycle through 'self.sfz'");
  EXPECT_EQ(Zones().size(), 1u);
  const ImportOutcome deep = Import("<region> sample=a.wav #include \"deep0.sfz\"");
  EXPECT_EQ(OutcomeReason(deep), "#include nested more than 16 deep");
  EXPECT_EQ(OutcomeReason(Import("#include \"none.sfz\"")),
            "no region; #include file 'none.sfz' not found");
}

TEST_F(Sfz, MissingSamplesLeaveTheirRegionsOutAndSamplesAreReadOnce) {
  const ImportOutcome outcome = Import(
      "<region> sample=Samples/missing 1.wav key=1 <region> sample=missing2.wav key=2\n"
      "<region> sample=broken.wav key=3 <region> sample=a.wav key=4\n"
      "<region> sample=a.wav key=5 <region> sample=stereo.wav key=6 volume=3");
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(OutcomeReason(outcome),
            "2 regions left out: sample 'Samples/missing 1.wav' not found; 1 region left out: "
            "sample 'broken.wav' cannot be read: no 'data' chunk after the 'fmt ' chunk");
  EXPECT_EQ(files.reads, 5);
  const std::vector<Zone> zones = Zones();
  ASSERT_EQ(zones.size(), 3u);
  EXPECT_EQ(zones[0].sample, zones[1].sample);

  const ImportOutcome none = Import("<region> sample=missing.wav");
  EXPECT_EQ(OutcomeReason(none),
            "no region left; 1 region left out: sample 'missing.wav' not found");
  EXPECT_TRUE(library.instruments.empty());
}

// A volume above 0 dB scales the sample, as far as its peak allows; regions sharing it keep the
// difference as attenuation, and what the peak does not allow is a note.
TEST_F(Sfz, GainsAboveZeroGoIntoTheSample) {
  struct Case {
    const char* text;
    std::vector<int> attenuations;  // in key order
    std::int16_t firstValue;        // of the first zone's sample, 7 or 30000 before
    std::vector<std::string> notes;
  };
  const Case cases[] = {
      {"<region> sample=a.wav key=1 volume=-3.2", {3}, 7, {}},
      {"<region> sample=a.wav key=1 volume=6 <region> sample=a.wav key=2 <region> sample=a.wav "
       "key=3 volume=-2",
       {0, 6, 8},
       14,
       {}},
      {"<region> sample=stereo.wav key=1 volume=3", {0}, 10, {}},
      {"<region> sample=loud.wav key=1 volume=6 <region> sample=loud.wav key=2 volume=3 "
       "<region> sample=a.wav key=3 volume=6",
       {0, 0, 0},
       32767,
       {"2 regions played up to 5.2 dB quieter than asked: a gain above 0 dB is kept only as far "
        "as the sample's peak allows"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ImportOutcome outcome = Import(c.text);
    EXPECT_TRUE(outcome.imported());
    std::vector<std::string> notes;
    for (const ImportNote& note : outcome.notes) notes.push_back(NoteText(note));
    EXPECT_EQ(notes, c.notes);
    std::vector<int> attenuations;
    for (const Zone& zone : Zones())
      attenuations.push_back(zone.parameters.bytes[Byte::attenuation]);
    EXPECT_EQ(attenuations, c.attenuations);
    ASSERT_FALSE(Zones().empty());
    EXPECT_EQ(Zones()[0].sample->data[0], c.firstValue);
  }
}

// What a Tolvane instrument cannot hold is left out and noted, by kind; a file with notes only
// is imported.
TEST_F(Sfz, ChoicesKeepOneRegionOfEachKindAndNoteTheOthers) {
  struct Case {
    const char* text;
    std::vector<int> keptKeys;
    NoteKind note;
    const FormatNote* format = nullptr;  // for an SFZ kind of its own
  };
  const Case cases[] = {
      {"<region> key=1 <region> key=2 trigger=release <region> key=3 trigger=attack",
       {1, 3},
       NoteKind::ReleaseTrigger},
      {"<region> key=1 seq_position=2 <region> key=2 seq_position=1 <region> key=3",
       {2, 3},
       NoteKind::LaterRoundRobin},
      {"<region> key=1 lorand=0.5 hirand=1 <region> key=2 lorand=0 hirand=0.5",
       {2},
       NoteKind::LaterRoundRobin},
      {"<region> key=1 sw_last=37 <region> key=2 sw_last=36 <region> key=3",
       {2, 3},
       NoteKind::Format,
       &kOtherKeySwitch},
      {"<global> sw_default=37 <region> key=1 sw_last=37 <region> key=2 sw_last=36",
       {1},
       NoteKind::Format,
       &kOtherKeySwitch},
      {"<region> key=1 locc64=64 <region> key=2 hicc64=63 <region> key=3",
       {2, 3},
       NoteKind::Format,
       &kControllerGate},
      {"<control> set_cc64=127 <region> key=1 locc64=64 <region> key=2 hicc64=63",
       {1},
       NoteKind::Format,
       &kControllerGate},
      // Start values in either form, from <control> or <global>, the last one winning; gates
      // in either scale.
      {"<control> set_hdcc74=1 <region> key=1 lohdcc74=1 <region> key=2 hihdcc74=0.5",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<control> set_hdcc74=1 <region> key=1 locc74=127 <region> key=2 hicc74=126",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<global> set_cc64=127 <region> key=1 locc64=64 <region> key=2 hicc64=63",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<control> set_cc74=64 <region> key=1 lohdcc74=0.5 <region> key=2 lohdcc74=0.51",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<control> set_hdcc74=0.5 <region> key=1 hicc74=63.5 <region> key=2 locc74=64",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<control> set_cc74=0 set_hdcc74=1 <region> key=1 locc74=127 <region> key=2 hicc74=0",
       {1},
       NoteKind::Format,
       &kControllerGate},
      {"<region> key=1 <region> key=2 sample=*noise", {1}, NoteKind::Format, &kBuiltInGenerator},
      {"<region> key=1 <region> key=2 sample=*silence", {1}, NoteKind::Format, &kBuiltInGenerator},
      {"<control> default_path=Samples/ <region> key=1 <region> key=2 sample=*sine",
       {1},
       NoteKind::Format,
       &kBuiltInGenerator},
      {"<region> key=1 <region> key=2 sample=*tri", {1}, NoteKind::Format, &kBuiltInGenerator},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    for (std::size_t at = 0; (at = text.find("<region>", at)) != std::string::npos; at += 8)
      text.insert(at + 8, " sample=a.wav");
    const ImportOutcome outcome = Import(text);
    ASSERT_TRUE(outcome.imported()) << c.text;
    ASSERT_EQ(outcome.notes.size(), 1u) << c.text;
    EXPECT_EQ(outcome.notes[0].kind, c.note) << c.text;
    EXPECT_EQ(outcome.notes[0].format, c.format) << c.text;
    EXPECT_EQ(outcome.notes[0].count, 1u) << c.text;
    std::vector<int> keys;
    for (const Zone& zone : Zones()) keys.push_back(zone.mapping.keyLow);
    EXPECT_EQ(keys, c.keptKeys) << c.text;
  }
  EXPECT_EQ(files.reads, 1);  // a built-in generator is no file
}

// A file whose regions all went says why rather than "no region".
TEST_F(Sfz, AFileWithNoRegionKeptSaysWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"<region> sample=a.wav lohdcc74=1", "every region waits for controller 74 >= 1"},
      {"<region> sample=a.wav lohdcc74=1.0 <region> sample=a.wav trigger=release",
       "every region waits for controller 74 >= 1"},
      {"<region> sample=a.wav hicc1=-1 <region> sample=a.wav locc74=127 <region> sample=a.wav "
       "locc74=127",
       "every region waits for controller 74 >= 127"},
      {"<control> set_cc7=100 <region> sample=a.wav hicc7=99.5",
       "every region waits for controller 7 <= 99.5"},
      {"<region> sample=*sine <region> sample=*noise",
       "every region plays a built-in generator ('*sine'), which cannot be kept"},
      {"<region> sample=a.wav trigger=release", "no region"},
      {"<region> sample=*saw <region> sample=a.wav trigger=release", "no region"},
      {"", "no region"},
  };
  for (const auto& [text, reason] : cases) {
    const ImportOutcome outcome = Import(text);
    EXPECT_EQ(outcome.status, ImportStatus::Damaged) << text;
    EXPECT_EQ(outcome.reason, reason) << text;
    EXPECT_TRUE(library.instruments.empty()) << text;
  }
}

TEST(SfzKeys, NumbersAndNoteNames) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"60", 60},           {"c4", 60},         {"C4", 60},         {"c#4", 61},
      {"db4", 61},          {"c-1", 0},         {"g9", 127},        {"b3", 59},
      {"h4", std::nullopt}, {"", std::nullopt}, {"c", std::nullopt}};
  for (const auto& [text, key] : cases) EXPECT_EQ(ParseSfzKey(text), key) << text;
}

}  // namespace
}  // namespace tolvane
