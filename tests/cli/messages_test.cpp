// What tolvane-convert says, and the status it ends with, for the command lines a new user
// tries: where it writes, what there is to do, and options written the wrong way.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "import/format_lists.h"
#include "tests/cli/messages_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

using tolvane::testing::Args;
using tolvane::testing::Case;
using tolvane::testing::Lines;
using tolvane::testing::LinesOf;
using tolvane::testing::ProgramRun;
using tolvane::testing::WriteFileText;

class MessagesTest : public tolvane::testing::MessagesFixture {};

const std::string kCutDamage = "%/cut.sf2: damaged: 'INFO' chunk runs past the end of the file";

TEST_F(MessagesTest, FoldersAreMadeOrTheStepThatFailsIsNamed) {
  Check({
      {{"export", "--single", "%/blocker/out", "%/tone.wav"},
       1,
       {"cannot write into %/blocker/out: %/blocker is not a folder"},
       {}},
      {{"export", "--single", "%/blocker", "%/tone.wav"},
       1,
       {"cannot write into %/blocker: %/blocker is not a folder"},
       {}},
      // The collection's folder is made as --single makes its folder.
      {{"export", "--collection", "%/new/deeper/all.SLC", "%/tone.wav"},
       0,
       {},
       {"wrote %/new/deeper/all.SLC"}},
      {{"export", "--collection", "%/blocker/all.SLC", "%/tone.wav"},
       1,
       {"cannot write %/blocker/all.SLC: %/blocker is not a folder"},
       {}},
      {{"render", "%/rendered/note.wav", "%/tone.wav"}, 0, {}, {"wrote %/rendered/note.wav"}},
      {{"render", "%/blocker/note.wav", "%/tone.wav"},
       1,
       {"cannot write %/blocker/note.wav: %/blocker is not a folder"},
       {}},
  });
  EXPECT_TRUE(fs::is_regular_file(dir_ / "new/deeper/all.SLC"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "rendered/note.wav"));
}

// Two files of one name and time in two folders make two instruments of one SoundID: both are
// written, and the export names them.
TEST_F(MessagesTest, InstrumentsTheSamplerCannotTellApartAreNamed) {
  for (const char* folder : {"a", "b"}) {
    fs::create_directory(dir_ / folder);
    fs::copy_file(dir_ / "tone.wav", dir_ / folder / "Kick.wav");
    fs::last_write_time(dir_ / folder / "Kick.wav", fs::last_write_time(dir_ / "tone.wav"));
  }
  const Lines listed = LinesOf(Convert({"list", "--tsv", "%/a/Kick.wav"}).out);
  ASSERT_FALSE(listed.empty());
  const std::string id = listed.back().substr(listed.back().rfind('\t') + 1);
  const std::string note =
      "note: 2 instruments share SoundID " + id + ": 'Kick' (%/a/Kick.wav), 'Kick' (%/b/Kick.wav)";
  Check({
      {{"export", "--collection", "%/kicks.SLC", "%/a/Kick.wav", "%/b/Kick.wav"},
       0,
       {note},
       {"wrote %/kicks.SLC"}},
      {{"export", "--single", "%/kicks", "%/a/Kick.wav", "%/b/Kick.wav"}, 0, {note}, {}},
      {{"export", "--collection", "%/one.SLC", "%/a/Kick.wav"}, 0, {}, {"wrote %/one.SLC"}},
  });
}

#ifndef _WIN32
// A folder that takes no file, as a user who may not write there meets it. Root may write
// anywhere: then the program runs as nobody.
TEST_F(MessagesTest, AFolderThatTakesNoFileIsNamedOnceWithTheSystemsReason) {
  Args before;
  fs::path program = TOLVANE_CONVERT;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is needed to run as nobody";
    program = "/usr/bin/setpriv";
    before = {"--reuid=65534", "--regid=65534", "--clear-groups", TOLVANE_CONVERT};
    ::chmod(dir_.path().c_str(), 0755);  // nobody reads the inputs in it
    if (Convert({"list", "%/tone.wav"}, program, before).status != 0)
      GTEST_SKIP() << "nobody cannot run the program or read its inputs from here";
  }
  WriteFileText(dir_ / "second.wav", tolvane::testing::ToneWave(22050, 16, 1, 0.5));
  fs::create_directory(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
  Check({{{"export", "--single", "%/locked", "%/tone.wav", "%/second.wav"},
          1,
          {"cannot create files in %/locked: Permission denied (0 of 2 files written)"},
          {}},
         {{"export", "--single", "%/locked/new/deeper", "%/tone.wav"},
          1,
          {"cannot write into %/locked/new/deeper: cannot create the folder %/locked/new: "
           "Permission denied"},
          {}},
         {{"export", "--collection", "%/locked/all.SLC", "%/tone.wav"},
          1,
          {"cannot write %/locked/all.SLC: cannot create the file: Permission denied"},
          {}},
         {{"render", "%/locked/note.wav", "%/tone.wav"},
          1,
          {"cannot write %/locked/note.wav: cannot create the file: Permission denied"},
          {}}},
        program, before);
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty(dir_ / "locked"));
}
#endif

TEST_F(MessagesTest, NothingToDoNamesTheFilesThatGaveNothing) {
  WriteFileText(dir_ / "notes.txt", "not a sound");
  Check({
      {{"export", "--single", "%/out", "%/cut.sf2"},
       1,
       {kCutDamage, "nothing to export: %/cut.sf2 gave no instrument"},
       {}},
      {{"export", "--collection", "%/all.SLC", "%/cut.sf2", "%/notes.txt"},
       1,
       {kCutDamage, "%/notes.txt: not recognised as " + tolvane::ReadFormatsText(),
        "nothing to export: none of the 2 files gave an instrument (2 files not read, named "
        "above)"},
       {}},
      {{"render", "%/note.wav", "%/cut.sf2"},
       1,
       {kCutDamage, "nothing to render: %/cut.sf2 gave no instrument"},
       {}},
  });
  EXPECT_FALSE(fs::exists(dir_ / "all.SLC"));
}

TEST_F(MessagesTest, BadOptionsSayWhatToWrite) {
  const std::string letters =
      "K Kick, S Snare, H HiHat, O Tom, Y Cymbal, P Percussion, d Drum-Loop, p Perc-Loop, t "
      "Tonal-Loop, A A-Synth, D D-Synth; x@ FX-Loop, @@ Other";
  Check({
      {{"export", "--single", "%/out", "--normalize", "-3", "%/tone.wav"},
       2,
       {"--normalize takes its level after '=': write --normalize=-3"},
       {}},
      {{"list", "--category", "tone=ZZ", "%/tone.wav"},
       1,
       {"unknown category code 'ZZ' (the first letter names the main category: " + letters +
        "; tolvane-convert categories lists every code)"},
       {}},
      {{"list", "--category", "tone=xZ", "%/tone.wav"},
       1,
       {"unknown category code 'xZ' (the first letter names the main category: " + letters +
        "; tolvane-convert categories lists every code)"},
       {}},
      {{"list", "--category", "tone=OZ", "%/tone.wav"},
       1,
       {"unknown category code 'OZ' (Tom takes OT TR-alike, OB Big Beat, OH HipHop, OE Electro, "
        "OA Acid, OC Techno, OU House, OF Funk, OD Disco, OP Pop, O8 80s, ON Natural, OR Rock, "
        "OJ Jazz, OO Oldie, OW World, OX Effects, O@ Other; tolvane-convert categories lists "
        "every code)"},
       {}},
      {{"categories"}, 0, {}, {"@@  Other", "KC  Techno Kick", "x@  FX-Loop", "DI  Piano D-Synth"}},
  });
}

// Codes `categories` prints are codes --category takes, with the text the list then shows.
TEST_F(MessagesTest, CategoriesPrintedAreTaken) {
  const ProgramRun categories = Convert({"categories"});
  ASSERT_EQ(categories.status, 0);
  const Lines lines = LinesOf(categories.out);
  ASSERT_EQ(lines.size(), 197u);  // every item of the menu
  for (const std::string& line : {lines[1], lines[100], lines.back()}) {
    SCOPED_TRACE(line);
    ASSERT_EQ(line.substr(2, 2), "  ");
    const ProgramRun list =
        Convert({"list", "--tsv", "--category", "tone=" + line.substr(0, 2), "%/tone.wav"});
    EXPECT_EQ(list.status, 0) << list.err;
    const std::string cells = list.out.substr(0, list.out.find('\n'));
    EXPECT_EQ(cells.substr(0, cells.find('\t', 5)),
              "tone\t[" + line.substr(0, 2) + "] " + line.substr(4));
  }
}

}  // namespace
