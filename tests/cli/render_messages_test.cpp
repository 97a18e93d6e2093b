// What render says about the notes it plays and the files it was given, and what list shows of
// names that shortening changed.

#include <gtest/gtest.h>

#include <string>

#include "audition/playable_instrument.h"
#include "tests/cli/messages_fixture.h"

namespace {

using tolvane::testing::Case;
using tolvane::testing::Lines;
using tolvane::testing::LinesOf;
using tolvane::testing::ProgramRun;
using tolvane::testing::WriteFileText;

class RenderMessagesTest : public tolvane::testing::MessagesFixture {};

const std::string kHoled =
    "damaged (1 instrument imported): 1 region left out: sample 'gone.wav' "
    "not found";
const std::string kCutDamage = "%/cut.sf2: damaged: 'INFO' chunk runs past the end of the file";

TEST_F(RenderMessagesTest, NotesByNameAndWhatTheyCameTo) {
  Check({
      // C4 is 60, as in SFZ; notes without a velocity take --velocity's.
      {{"render", "%/o.wav", "--note", "C4", "--note", "c4:127", "--note", "Db4", "--note", "b3",
        "--velocity", "127", "%/tone.wav"},
       0,
       {},
       {"note 60 velocity 127: peak -6.0 dBFS", "note 61 velocity 127: peak -6.0 dBFS",
        "note 59 velocity 127: peak -6.0 dBFS"}},
      // Two full-scale regions on one key: the peak alone would not tell what was cut.
      {{"render", "%/o.wav", "%/two.sfz"},
       0,
       {},
       {"note 60 velocity 100: peak 0.0 dBFS, clipped in 867 frames"}},
      {{"render", "%/o.wav", "--note", "60", "--note", "50:10", "--note", "44:127", "%/narrow.sfz"},
       0,
       {},
       {"note 60 velocity 100: silent: the instrument plays keys 42-46, 50",
        "note 50 velocity 10: silent: key 50 plays velocities 64-127",
        "note 44 velocity 127: peak -6.0 dBFS"}},
  });
}

// The sound options listen to the sample before it is played, and say what they found.
TEST_F(RenderMessagesTest, TheSoundOptionsAreNotedBeforeTheNotes) {
  WriteFileText(dir_ / "long.wav", tolvane::testing::ToneWave(44100, 16, 1, 0.5, 1.0));
  Check({
      {{"render", "%/o.wav", "--detect-root", "--note", "69", "%/long.wav"},
       0,
       {"note: long: sample 'long' has no root key given: measured 440.0 Hz, root key 69 0 cents"},
       {"note 69 velocity 100: peak -10.2 dBFS"}},
      {{"render", "%/o.wav", "--auto-loop", "--hold", "2", "%/long.wav"},
       0,
       {"note: long: sustain loop 602-42497 found in sample 'long' (match 1.000, 0.95 s)"},
       {"note 60 velocity 100: peak -10.2 dBFS"}},
      // Too short a sound for a pitch: it keeps middle C.
      {{"render", "%/o.wav", "--detect-root", "%/tone.wav"},
       0,
       {"note: tone: sample 'tone' has no root key given and no steady pitch: root key 60 kept"},
       {"note 60 velocity 100: peak -10.2 dBFS"}},
  });
}

// Only the file of the instrument played answers for the status; the others are notes.
TEST_F(RenderMessagesTest, TheRenderedInstrumentsFileDecidesTheStatus) {
  Check({
      {{"render", "%/o.wav", "--only", "tone", "%/tone.wav", "%/holed.sfz"},
       0,
       {"%/holed.sfz: note: " + kHoled},
       {"tone", "wrote %/o.wav"}},
      {{"render", "%/o.wav", "%/tone.wav", "%/cut.sf2"},
       0,
       {"%/cut.sf2: note: damaged: 'INFO' chunk runs past the end of the file"},
       {"wrote %/o.wav"}},
      {{"render", "%/o.wav", "--only", "holed", "%/tone.wav", "%/holed.sfz"},
       1,
       {"%/holed.sfz: " + kHoled},
       {"holed", "wrote %/o.wav"}},
      {{"render", "%/o.wav", "--only", "nope", "%/tone.wav", "%/cut.sf2"},
       1,
       {kCutDamage, "--only: no instrument named 'nope'"},
       {}},
      // list and export still answer for every file.
      {{"list", "%/tone.wav", "%/cut.sf2"}, 1, {kCutDamage}, {"1 instrument"}},
  });
}

// A SiFi file played says, in a user's words, that it may not sound like its source.
TEST_F(RenderMessagesTest, ASiFiFileSaysItIsPlayedFromDefaults) {
  ASSERT_EQ(Convert({"export", "--single", "%/sli", "%/tone.wav"}).status, 0);
  Check({{{"render", "%/o.wav", "%/sli/tone.SLI"},
          0,
          {},
          {"tone", std::string(tolvane::kDifferencesOnlyNote), "wrote %/o.wav"}},
         {{"render", "%/o.wav", "%/tone.wav"}, 0, {}, {"tone"}}});
  EXPECT_EQ(LinesOf(Convert({"render", "%/o.wav", "%/tone.wav"}).out).size(), 3u);
  EXPECT_NE(tolvane::kDifferencesOnlyNote.find("louder or quieter, shorter or longer"),
            std::string::npos);
}

// A name shortened beyond recognition is shown beside the name it was imported by; --tsv keeps
// its six columns unless asked for the seventh.
TEST_F(RenderMessagesTest, ListShowsTheImportedNameBesideTheShortenedOne) {
  const std::string imported = "Bassoon tutti pts - Sitting p Sample Reverb";
  WriteFileText(dir_ / (imported + ".wav"), tolvane::testing::ToneWave(44100, 16, 1, 0.5));
  const std::string file = "%/" + imported + ".wav";
  const ProgramRun list = Convert({"list", file, "%/tone.wav"});
  ASSERT_EQ(list.status, 0) << list.err;
  const Lines lines = LinesOf(list.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(0, 12), "Sound-Name  ");
  EXPECT_EQ(lines[0].substr(lines[0].size() - 15), "  Imported-Name");
  EXPECT_EQ(lines[1].substr(0, 26), "Bssntttpts-SttngpSmplRvr  ");
  EXPECT_EQ(lines[1].substr(lines[1].size() - imported.size() - 2), "  " + imported);
  EXPECT_EQ(lines[2].substr(lines[2].size() - 6), "  tone");

  const auto columns = [](const std::string& line) {
    return std::count(line.begin(), line.end(), '\t') + 1;
  };
  const Lines tsv = LinesOf(Convert({"list", "--tsv", file}).out);
  ASSERT_EQ(tsv.size(), 1u);
  EXPECT_EQ(columns(tsv[0]), 6);
  const Lines wide = LinesOf(Convert({"list", "--tsv", "--imported-names", file}).out);
  ASSERT_EQ(wide.size(), 1u);
  EXPECT_EQ(columns(wide[0]), 7);
  EXPECT_EQ(wide[0].substr(0, tsv[0].size() + 1), tsv[0] + '\t');
  EXPECT_EQ(wide[0].substr(tsv[0].size() + 1), imported);

  // Names that shortening left alone add no column.
  const Lines plain = LinesOf(Convert({"list", "%/tone.wav"}).out);
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain[0].find("Imported-Name"), std::string::npos);
}

}  // namespace
