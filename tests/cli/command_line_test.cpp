#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace tolvane::cli {
namespace {

TEST(CommandLine, ValidCommands) {
  auto list = ParseCommandLine({"list", "--tsv", "a.wav", "--only", "Piano", "b.sf2"});
  ASSERT_TRUE(list.options) << list.error;
  EXPECT_EQ(list.options->command, Command::List);
  EXPECT_TRUE(list.options->tsv);
  EXPECT_EQ(list.options->files, (std::vector<std::string>{"a.wav", "b.sf2"}));
  EXPECT_EQ(list.options->only, std::vector<std::string>{"Piano"});

  auto collection = ParseCommandLine(
      {"export", "--collection", "out.SLC", "--category", "A=B=KC", "--database", "d.ini", "x"});
  ASSERT_TRUE(collection.options) << collection.error;
  EXPECT_EQ(collection.options->command, Command::ExportCollection);
  EXPECT_EQ(collection.options->target, "out.SLC");
  ASSERT_EQ(collection.options->categories.size(), 1u);
  EXPECT_EQ(collection.options->categories[0].first, "A=B");  // the code follows the last '='
  EXPECT_EQ(collection.options->categories[0].second, "KC");
  EXPECT_EQ(collection.options->database, "d.ini");
  EXPECT_EQ(collection.options->import.middleC, MiddleC::C3);  // the default
  EXPECT_EQ(collection.options->exportOptions.loops, LoopMending::kNameOnly);

  auto folder = ParseCommandLine({"list", "--middle-c", "C4", "Samples"});
  ASSERT_TRUE(folder.options) << folder.error;
  EXPECT_EQ(folder.options->import.middleC, MiddleC::C4);
  EXPECT_EQ(folder.options->import.soundFont, SoundFontMode::Instruments);  // the default
  EXPECT_FALSE(folder.options->programs);
  auto presets = ParseCommandLine({"list", "--programs", "--soundfont", "presets", "bank.sf2"});
  ASSERT_TRUE(presets.options) << presets.error;
  EXPECT_EQ(presets.options->import.soundFont, SoundFontMode::Presets);
  EXPECT_TRUE(presets.options->programs);

  auto single =
      ParseCommandLine({"export", "--single", "dir", "--snap-loops", "--", "--odd-name.wav"});
  ASSERT_TRUE(single.options) << single.error;
  EXPECT_EQ(single.options->exportOptions.loops, LoopMending::kSnap);
  EXPECT_EQ(single.options->command, Command::ExportSingle);
  EXPECT_EQ(single.options->files, std::vector<std::string>{"--odd-name.wav"});
  EXPECT_FALSE(single.options->exportOptions.normalizeDbfs);  // written as they are

  // --normalize alone is -1 dBFS; with a level, that level.
  for (const auto& [argument, level] : {std::pair{"--normalize", -1.0},
                                        {"--normalize=-3.5", -3.5},
                                        {"--normalize=0", 0.0},
                                        {"--normalize=-60", -60.0}}) {
    auto normalized = ParseCommandLine({"export", "--single", "dir", argument, "a.sf2"});
    ASSERT_TRUE(normalized.options) << normalized.error;
    EXPECT_EQ(normalized.options->exportOptions.normalizeDbfs, level) << argument;
  }

  for (const auto& help : {std::vector<std::string>{"--help"}, {"list", "-h"}}) {
    auto parsed = ParseCommandLine(help);
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->command, Command::Help);
  }
}

TEST(CommandLine, RenderTakesItsOutputFirstAndPlaysMiddleCByDefault) {
  auto plain = ParseCommandLine({"render", "out.wav", "a.sf2", "b.wav"});
  ASSERT_TRUE(plain.options) << plain.error;
  EXPECT_EQ(plain.options->command, Command::Render);
  EXPECT_EQ(plain.options->target, "out.wav");
  EXPECT_EQ(plain.options->files, (std::vector<std::string>{"a.sf2", "b.wav"}));
  EXPECT_EQ(plain.options->notes, (std::vector<std::pair<int, int>>{{60, 100}}));
  EXPECT_EQ(plain.options->holdSeconds, 1.0);
  EXPECT_EQ(plain.options->rate, 44100U);

  auto full = ParseCommandLine({"render", "--note", "0", "o.wav", "--note", "127:1", "--hold",
                                "0.25", "--rate", "48000", "--only", "Piano", "a.sf2"});
  ASSERT_TRUE(full.options) << full.error;
  EXPECT_EQ(full.options->target, "o.wav");
  EXPECT_EQ(full.options->notes, (std::vector<std::pair<int, int>>{{0, 100}, {127, 1}}));
  EXPECT_EQ(full.options->holdSeconds, 0.25);
  EXPECT_EQ(full.options->rate, 48000U);
  EXPECT_EQ(full.options->only, std::vector<std::string>{"Piano"});
}

TEST(CommandLine, Refusals) {
  const struct {
    std::vector<std::string> arguments;
    const char* error;
  } cases[] = {
      {{}, "no command given (try --help)"},
      {{"convert", "a"}, "unknown command 'convert' (try --help)"},
      {{"list"}, "list needs at least one FILE"},
      {{"list", "--bogus", "a"}, "unknown option '--bogus' for list (try --help)"},
      {{"list", "--collection", "x", "a"}, "unknown option '--collection' for list (try --help)"},
      {{"export", "a.wav"}, "export needs --collection OUT.SLC or --single DIR"},
      {{"export", "--collection"}, "--collection needs a path"},
      {{"export", "--collection", "a", "--single", "b", "c"},
       "give only one of --collection and --single"},
      {{"export", "--tsv", "--single", "d", "a"}, "unknown option '--tsv' for export (try --help)"},
      {{"list", "--category", "Piano", "a"}, "--category needs NAME=CODE"},
      {{"list", "a", "--only"}, "--only needs a NAME"},
      {{"info", "a", "b"}, "info takes exactly one FILE"},
      {{"info", "--only", "x", "a"}, "unknown option '--only' for info (try --help)"},
      {{"render"}, "render needs OUT.wav and at least one FILE"},
      {{"render", "o.wav"}, "render needs at least one FILE"},
      {{"render", "--only", "a", "--only", "b", "o.wav", "a"},
       "render plays one instrument: give --only once"},
      {{"render", "--category", "a=KC", "o.wav", "a"},
       "unknown option '--category' for render (try --help)"},
      {{"list", "--note", "60", "a"}, "unknown option '--note' for list (try --help)"},
      {{"render", "--note", "128", "o", "a"},
       "--note needs KEY[:VELOCITY], a key 0..127 and a velocity 1..127"},
      {{"render", "--note", "60:0", "o", "a"},
       "--note needs KEY[:VELOCITY], a key 0..127 and a velocity 1..127"},
      {{"render", "--note", "6x", "o", "a"},
       "--note needs KEY[:VELOCITY], a key 0..127 and a velocity 1..127"},
      {{"render", "o", "a", "--note"},
       "--note needs KEY[:VELOCITY], a key 0..127 and a velocity 1..127"},
      {{"render", "--hold", "0", "o", "a"}, "--hold needs SECONDS above 0 and at most 60"},
      {{"render", "--hold", "nan", "o", "a"}, "--hold needs SECONDS above 0 and at most 60"},
      {{"render", "--rate", "7999", "o", "a"}, "--rate needs HZ from 8000 to 192000"},
      {{"list", "--middle-c", "C5", "a"}, "--middle-c needs C3 or C4"},
      {{"render", "o", "--soundfont", "preset", "a"}, "--soundfont needs presets or instruments"},
      {{"info", "--soundfont", "presets", "a"},
       "unknown option '--soundfont' for info (try --help)"},
      {{"export", "--single", "d", "--programs", "a"},
       "unknown option '--programs' for export (try --help)"},
      {{"list", "--snap-loops", "a"}, "unknown option '--snap-loops' for list (try --help)"},
      {{"list", "a", "--middle-c"}, "--middle-c needs C3 or C4"},
      {{"list", "--normalize", "a"}, "unknown option '--normalize' for list (try --help)"},
      {{"export", "--single", "d", "--normalize=1", "a"},
       "--normalize needs =DBFS from -60 to 0 (or nothing, for -1)"},
      {{"export", "--single", "d", "--normalize=-61", "a"},
       "--normalize needs =DBFS from -60 to 0 (or nothing, for -1)"},
      {{"export", "--single", "d", "--normalize=", "a"},
       "--normalize needs =DBFS from -60 to 0 (or nothing, for -1)"},
      {{"export", "--single", "d", "--normalize=-1dB", "a"},
       "--normalize needs =DBFS from -60 to 0 (or nothing, for -1)"},
      {{"export", "--single", "d", "--normalized", "a"},
       "unknown option '--normalized' for export (try --help)"},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseCommandLine(c.arguments);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.error, c.error);
  }
}

}  // namespace
}  // namespace tolvane::cli
