// Why a drop gave nothing to export or render.

#include "cli/drop.h"

#include <gtest/gtest.h>

namespace tolvane::cli {
namespace {

TEST(Drop, NothingToDoNamesWhatGaveNothing) {
  Options options;
  Drop drop;
  drop.files.push_back({"a.sf2", ImportOutcome::Damaged("cut short"), 0});
  EXPECT_EQ(NothingText(options, drop), "a.sf2 gave no instrument");
  drop.files.push_back({"b.wav", ImportOutcome::Imported(), 0});
  drop.files.push_back({"c.mp3", ImportOutcome::Unread("an MP3 file"), 0});
  EXPECT_EQ(NothingText(options, drop),
            "none of the 3 files gave an instrument (2 files not read, named above)");
  drop.files[0].outcome = ImportOutcome::Imported();
  drop.files[2].outcome = ImportOutcome::Imported();
  EXPECT_EQ(NothingText(options, drop), "none of the 3 files gave an instrument");

  // Instruments there are, but none plays a sample.
  Source& source = CreateSource(drop.library, "/kits/kit.xml");
  drop.rows.push_back(&AddInstrument(drop.library, CreateInstrument(source, "Kick", "Kick", 1)));
  EXPECT_EQ(NothingText(options, drop), "none of the instruments has samples");
  options.only = {"kick"};
  EXPECT_EQ(NothingText(options, drop), "none of the instruments --only names has samples");
}

}  // namespace
}  // namespace tolvane::cli
