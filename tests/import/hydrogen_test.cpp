// Hydrogen drum kits read from text, with samples given from memory; one kit folder from disk.

#include "import/hydrogen/hydrogen_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/hydrogen/hydrogen_kit.h"
#include "import/hydrogen/hydrogen_velocity.h"
#include "import/import_file.h"
#include "import/instrument_files.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {

void PrintTo(const VelocitySpan& span, std::ostream* out) {
  *out << "layer " << span.layer << ": " << int{span.low} << "-" << int{span.high};
}

namespace {

// Mono samples of 100 frames for any path but those naming "missing"; every path asked for is
// kept.
class FakeFiles : public InstrumentFiles {
 public:
  std::optional<std::string> ReadText(const std::string& /*path*/) const override { return {}; }
  SoundReading ReadSample(const std::string& path) const override {
    {
      const std::lock_guard lock(mutex);
      asked.push_back(path);
    }
    if (path.find("missing") != std::string::npos)
      return {std::nullopt, ImportOutcome::CannotOpen({}), true};
    DecodedSound sound;
    sound.sampleRate = 44100;
    sound.channels = 1;
    sound.frames = 100;
    sound.values.assign(100, 5);
    return {std::move(sound), {}};
  }
  mutable std::mutex mutex;
  mutable std::vector<std::string> asked;
};

std::string Kit(const std::string& instruments) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<drumkit_info><name>Kit</name>"
         "<instrumentList>" +
         instruments + "</instrumentList></drumkit_info>";
}

std::string Layer(const std::string& file, const std::string& min = "0",
                  const std::string& max = "1", const std::string& more = {}) {
  return "<layer><filename>" + file + "</filename><min>" + min + "</min><max>" + max + "</max>" +
         more + "</layer>";
}

class Hydrogen : public ::testing::Test {
 protected:
  ImportOutcome Import(const std::string& text) {
    ClearLibrary(library);
    files.asked.clear();
    Source& source = CreateSource(library, "/kits/Folder Name/drumkit.xml");
    return ImportHydrogenText(library, source, text, 0, files);
  }
  // Every zone of the only instrument: key, velocities, sample, tuning, attenuation, pan.
  std::vector<std::string> Zones() {
    std::vector<std::string> described;
    if (library.instruments.size() != 1) {
      ADD_FAILURE() << library.instruments.size() << " instruments";
      return described;
    }
    const Instrument& instrument = *library.instruments[0];
    for (const Zone& zone : instrument.zones) {
      const ZoneMapping& m = zone.mapping;
      ZoneParameters p = zone.parameters;
      for (std::size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = static_cast<std::uint8_t>(p.bytes[i] + instrument.parameters.bytes[i]);
      described.push_back(std::to_string(m.keyLow) + "-" + std::to_string(m.keyHigh) + " v" +
                          std::to_string(m.velLow) + "-" + std::to_string(m.velHigh) + " " +
                          zone.sample->name + " root " + std::to_string(m.overridingRootKey) +
                          " tune " + std::to_string(m.coarseTune) + "." +
                          std::to_string(m.fineTune) + " att " +
                          std::to_string(p.bytes[ZoneParameters::attenuation]) + " pan " +
                          std::to_string(p.Signed(ZoneParameters::pan)));
    }
    return described;
  }

  Library library;
  FakeFiles files;
};

TEST_F(Hydrogen, TheThreeFormsOfKit) {
  struct Case {
    const char* form;
    std::string text;
    std::string name;
    std::vector<std::string> zones;
  };
  const Case cases[] = {
      {"oldest: one filename, pan_L/pan_R",
       "<drumkit_info><name>Old Kit</name><instrumentList>"
       "<instrument><id>5</id><filename>kick.flac</filename><volume>0.5</volume>"
       "<pan_L>1</pan_L><pan_R>0.5</pan_R></instrument>"
       "<instrument><id>0</id><filename>snare.flac</filename><pan_L>0.25</pan_L>"
       "<pan_R>1</pan_R></instrument></instrumentList></drumkit_info>",
       "Old Kit",
       {"36-36 v1-127 kick root 36 tune 0.0 att 6 pan -50",
        "37-37 v1-127 snare root 37 tune 0.0 att 0 pan 75"}},
      {"older: layers under the instrument",
       "<drumkit_info><name>Layered</name><instrumentList><instrument><id>0</id>"
       "<volume>0.25</volume><gain>2</gain><pan_L>1</pan_L><pan_R>1</pan_R>" +
           Layer("soft.wav", "0", "0.5", "<gain>1</gain><pitch>-1.5</pitch>") +
           Layer("hard.wav", "0.5", "1", "<gain>0.5</gain><pitch>2.25</pitch>") +
           "</instrument></instrumentList></drumkit_info>",
       "Layered",
       {"36-36 v1-63 soft root 36 tune -1.-50 att 6 pan 0",
        "36-36 v64-127 hard root 36 tune 2.25 att 12 pan 0"}},
      {"newer: components, pan -1..1, a namespace",
       "<?xml version='1.0'?>\n<!-- saved -->\n<drumkit_info "
       "xmlns=\"http://www.hydrogen-music.org/drumkit\">\n <name> New </name><instrumentList>"
       "<instrument><id>1</id><pan>-2</pan><pitchOffset>1</pitchOffset>"
       "<sampleSelectionAlgo>VELOCITY</sampleSelectionAlgo>"
       "<instrumentComponent><component_id>0</component_id><gain>0.1</gain>" +
           Layer("a/hat.wav", "0", "1", "<pitch>0.5</pitch>") +
           "</instrumentComponent></instrument><instrument><id>0</id><pan>0.3</pan>"
           "<instrumentComponent>" +
           Layer("clap.wav") + "</instrumentComponent></instrument>" +
           "</instrumentList></drumkit_info>",
       "New",
       {"36-36 v1-127 hat root 36 tune 1.50 att 20 pan -100",
        "37-37 v1-127 clap root 37 tune 0.0 att 0 pan 30"}},
  };
  for (const Case& c : cases) {
    const ImportOutcome outcome = Import(c.text);
    EXPECT_TRUE(outcome.imported()) << c.form << ": " << OutcomeReason(outcome);
    EXPECT_TRUE(outcome.notes.empty()) << c.form;
    EXPECT_EQ(Zones(), c.zones) << c.form;
    ASSERT_EQ(library.instruments.size(), 1u) << c.form;
    EXPECT_EQ(library.instruments[0]->name, c.name) << c.form;
  }
}

// Velocity v plays the first layer whose range holds v / 127, else the nearest: the spans
// always cover 1..127 once.
TEST(HydrogenVelocity, LayersShareTheVelocitiesAsHydrogenChooses) {
  using Ranges = std::vector<std::pair<double, double>>;
  struct Case {
    const char* what;
    Ranges ranges;
    std::vector<VelocitySpan> spans;
  };
  const Case cases[] = {
      {"halves", {{0, 0.5}, {0.5, 1}}, {{0, 1, 63}, {1, 64, 127}}},
      {"listed loud first", {{0.5, 1}, {0, 0.5}}, {{1, 1, 63}, {0, 64, 127}}},
      // 64 / 127 written with six digits: the shared boundary goes to the first layer.
      {"a boundary on a step", {{0, 0.503937}, {0.503937, 1}}, {{0, 1, 64}, {1, 65, 127}}},
      {"eighths, the middle missing",
       {{0.875, 1}, {0, 0.125}, {0.125, 0.25}},
       {{1, 1, 15}, {2, 16, 71}, {0, 72, 127}}},
      {"a gap goes to the nearer side", {{0, 0.3}, {0.5, 1}}, {{0, 1, 50}, {1, 51, 127}}},
      {"an overlap goes to the first", {{0, 0.6}, {0.4, 1}}, {{0, 1, 76}, {1, 77, 127}}},
      {"split around an earlier layer",
       {{0.4, 0.6}, {0, 1}},
       {{1, 1, 50}, {0, 51, 76}, {1, 77, 127}}},
      {"shadowed", {{0, 1}, {0.2, 0.3}}, {{0, 1, 127}}},
      {"nothing in range", {{0.8, 0.2}}, {{0, 1, 127}}},
      {"none", {}, {}},
  };
  for (const Case& c : cases) {
    std::vector<HydrogenLayer> layers;
    for (const auto& [min, max] : c.ranges) layers.push_back({"x.wav", min, max});
    EXPECT_EQ(ShareVelocities(layers), c.spans) << c.what;
  }
}

TEST_F(Hydrogen, WhatIsLeftOutIsNamed) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;  // as the programs tell the outcome
    std::vector<std::string> zones;
  };
  std::string ninetyThree;
  for (int n = 0; n < 93; ++n) ninetyThree += "<instrument><filename>k.wav</filename></instrument>";
  const Case cases[] = {
      {"a muted instrument keeps its key number",
       Kit("<instrument><isMuted>true</isMuted><filename>a.wav</filename></instrument>"
           "<instrument><isMuted>false</isMuted><filename>b.wav</filename></instrument>"),
       {"note: 1 instrument left out: muted in the kit"},
       {"37-37 v1-127 b root 37 tune 0.0 att 0 pan 0"}},
      {"a missing sample",
       Kit("<instrument>" + Layer("missing.wav", "0", "0.5") + Layer("b.wav", "0.5", "1") +
           "</instrument>"),
       {"damaged (1 instrument imported): 1 layer left out: sample 'missing.wav' not found"},
       {"36-36 v64-127 b root 36 tune 0.0 att 0 pan 0"}},
      {"paths leaving the kit's folder",
       Kit("<instrument>" + Layer("../up.wav", "0", "0.2") + Layer("/abs.wav", "0.2", "0.4") +
           Layer("C:\\x.wav", "0.4", "0.6") + Layer("sub\\..\\..\\y.wav", "0.6", "0.8") +
           Layer("sub\\in.wav", "0.8", "1") + "</instrument>"),
       {"damaged (1 instrument imported): 4 layers left out: sample '../up.wav' lies outside "
        "the instrument's folder or archive"},
       {"36-36 v102-127 in root 36 tune 0.0 att 0 pan 0"}},
      // Taken into the sample's values, which have room for it: nothing is noted.
      {"a gain above 0 dB",
       Kit("<instrument><volume>0.9</volume><gain>1.5</gain>" + Layer("a.wav") + "</instrument>"),
       {},
       {"36-36 v1-127 a root 36 tune 0.0 att 0 pan 0"}},
      {"a layer no velocity plays",
       Kit("<instrument>" + Layer("a.wav") + Layer("b.wav", "0.2", "0.4") + "</instrument>"),
       {"note: 1 layer left out: played at no velocity"},
       {"36-36 v1-127 a root 36 tune 0.0 att 0 pan 0"}},
      {"round robins",
       Kit("<instrument><sampleSelectionAlgo>ROUND_ROBIN</sampleSelectionAlgo>"
           "<instrumentComponent>" +
           Layer("a.wav") + Layer("b.wav") + "</instrumentComponent></instrument>"),
       {"note: 1 layer left out: only the first round robin is kept"},
       {"36-36 v1-127 a root 36 tune 0.0 att 0 pan 0"}},
      {"more instruments than keys",
       Kit(ninetyThree),
       {"note: 1 instrument left out: past key 127"},
       {}},
      {"not well-formed",
       "<drumkit_info><name>x</nam></drumkit_info>",
       {"damaged: not well-formed XML: Start-end tags mismatch at byte 23"},
       {}},
      {"no instrument", Kit(""), {"damaged: no layer left to play"}, {}},
  };
  for (const Case& c : cases) {
    const ImportOutcome outcome = Import(c.text);
    EXPECT_EQ(ImportOutcomeLines(outcome, library.instruments.size()), c.lines) << c.what;
    if (!c.zones.empty()) {
      EXPECT_EQ(Zones(), c.zones) << c.what;
    }
    for (const std::string& path : files.asked)
      EXPECT_TRUE(path.find("..") == std::string::npos && path.find(':') == std::string::npos &&
                  !path.starts_with('/'))
          << c.what << ": read " << path;
  }
  // The 93rd instrument was left out, the 92 before it kept on keys 36..127.
  ASSERT_TRUE(Import(Kit(ninetyThree)).imported());
  const std::vector<Zone>& zones = library.instruments[0]->zones;
  ASSERT_EQ(zones.size(), 92u);
  EXPECT_EQ(zones.back().mapping.keyLow, 127);
}

TEST_F(Hydrogen, ASampleOfSeveralLayersIsReadOnce) {
  ASSERT_TRUE(Import(Kit("<instrument>" + Layer("same.wav", "0", "0.5") +
                         Layer("same.wav", "0.5", "1", "<gain>0.5</gain>") +
                         "</instrument><instrument><filename>same.wav</filename></instrument>"))
                  .imported());
  EXPECT_EQ(files.asked, std::vector<std::string>{"same.wav"});
  EXPECT_EQ(Zones().size(), 3u);
  EXPECT_EQ(library.instruments[0]->source->samples.size(), 1u);
}

TEST(HydrogenKit, RecognisedByTheRootElementAlone) {
  struct Case {
    std::string_view text;
    bool kit;
  };
  const Case cases[] = {
      {"<drumkit_info><name>a</name></drumkit_info>", true},
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- a -->\n<!DOCTYPE x>\n<drumkit_info\n>", true},
      {"<drumkit_info/>", true},
      {"<drumkit_infos>", false},
      {"<drumkit_info", false},
      {"<?xml version=\"1.0\"?><DecentSampler><groups/></DecentSampler>", false},
      {"<!-- <drumkit_info> --><multisample/>", false},
      {"<region> sample=kick.wav", false},
      {"RIFF....WAVEfmt ", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const auto bytes = std::as_bytes(std::span(c.text.data(), c.text.size()));
    EXPECT_EQ(LooksLikeHydrogenKit(bytes), c.kit) << c.text;
  }
}

// A dropped kit folder is its drumkit.xml, not a folder of loose samples.
TEST(HydrogenFolder, AKitFolderImportsItsDrumkitXml) {
  const testing::TestFolder folder;
  testing::WriteFile(
      folder / "kick.wav",
      testing::Riff("WAVE", {testing::FormatChunk(1, 44100, 16),
                             testing::Chunk("data", testing::ValuesLE16({1, 2, 3, 4}))}));
  testing::WriteFile(folder / "unused.wav", testing::Riff("WAVE", {}));
  std::ofstream(folder / "drumkit.xml")
      << Kit("<instrument><filename>kick.wav</filename>"
             "</instrument>");
  Library library;
  SoundDatabase database;
  const ImportOutcome outcome = ImportFile(library, database, folder.path().string());
  EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
  ASSERT_EQ(library.instruments.size(), 1u);
  EXPECT_EQ(library.instruments[0]->name, "Kit");
  ASSERT_EQ(library.instruments[0]->zones.size(), 1u);
  EXPECT_EQ(library.instruments[0]->zones[0].sample->frames, 4u);
}

}  // namespace
}  // namespace tolvane
