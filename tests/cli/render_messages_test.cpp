// What render says about the notes it plays.

#include <gtest/gtest.h>

#include <string>

#include "audition/playable_instrument.h"
#include "tests/cli/messages_fixture.h"

namespace {

using tolvane::testing::Case;
using tolvane::testing::LinesOf;

class RenderMessagesTest : public tolvane::testing::MessagesFixture {};

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

}  // namespace
