#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

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

  // --auto-loop alone seeks loops without a crossfade; with MS, that crossfade. Both options
  // serve render too.
  for (const auto& [command, argument, crossfade] : {std::tuple{"export", "--auto-loop", 0.0},
                                                     {"export", "--auto-loop=20", 20.0},
                                                     {"export", "--auto-loop=500", 500.0},
                                                     {"render", "--auto-loop=0.5", 0.5}}) {
    const bool toFolder = std::string_view(command) == "export";
    auto looped = toFolder
                      ? ParseCommandLine({command, "--single", "d", argument, "--detect-root", "a"})
                      : ParseCommandLine({command, "o.wav", argument, "--detect-root", "a"});
    ASSERT_TRUE(looped.options) << looped.error;
    EXPECT_EQ(looped.options->exportOptions.sounds.autoLoopCrossfadeMs, crossfade) << argument;
    EXPECT_TRUE(looped.options->exportOptions.sounds.detectRoot) << argument;
  }
  EXPECT_FALSE(single.options->exportOptions.sounds.any());  // without them, nothing listens
  // --trim alone is -60 dBFS; --mono names its fold; --rate its rate, apart or after '=';
  // list takes them for --size.
  const struct {
    std::vector<std::string> arguments;
    std::optional<double> trim;
    MonoFold mono;
    bool size;
    std::optional<std::uint32_t> rate{};
  } fitted[] = {
      {{"export", "--single", "d", "a.sf2"}, std::nullopt, MonoFold::kNone, false},
      {{"export", "--single", "d", "--trim", "a.sf2"}, -60.0, MonoFold::kNone, false},
      {{"export", "--single", "d", "--trim=-96", "--mono=all", "a"}, -96.0, MonoFold::kAll, false},
      {{"export", "--collection", "o", "--trim=-20", "a"}, -20.0, MonoFold::kNone, false},
      {{"export", "--collection", "o", "--mono=same", "a"}, std::nullopt, MonoFold::kSame, false},
      {{"list", "--size", "a"}, std::nullopt, MonoFold::kNone, true},
      {{"list", "--trim=-72.5", "--size", "--mono=same", "a"}, -72.5, MonoFold::kSame, true},
      {{"export", "--single", "d", "--rate", "32000", "a"}, {}, MonoFold::kNone, false, 32000},
      {{"export", "--collection", "o", "--rate=8000", "a"}, {}, MonoFold::kNone, false, 8000},
      {{"list", "--size", "--rate", "96000", "a"}, {}, MonoFold::kNone, true, 96000},
  };
  for (const auto& c : fitted) {
    auto parsed = ParseCommandLine(c.arguments);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->exportOptions.trimDbfs, c.trim) << c.arguments[3];
    EXPECT_EQ(parsed.options->exportOptions.mono, c.mono) << c.arguments[3];
    EXPECT_EQ(parsed.options->size, c.size) << c.arguments[3];
    EXPECT_EQ(parsed.options->exportOptions.rate, c.rate) << c.arguments[3];
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

// Notes by number or by name, C4 = 60 as in SFZ; a note without its velocity takes --velocity's,
// wherever that stands.
TEST(CommandLine, RenderTakesNoteNamesAndADefaultVelocity) {
  const std::pair<const char*, int> names[] = {
      {"c4", 60},  {"C4", 60},  {"C#4", 61}, {"Db4", 61}, {"db4", 61}, {"B3", 59}, {"Cb4", 59},
      {"E#4", 65}, {"bb3", 58}, {"A0", 21},  {"C-1", 0},  {"G9", 127}, {"0", 0},   {"127", 127}};
  for (const auto& [name, key] : names) {
    auto parsed = ParseCommandLine({"render", "o.wav", "--note", name, "a.sf2"});
    ASSERT_TRUE(parsed.options) << name << ": " << parsed.error;
    EXPECT_EQ(parsed.options->notes, (std::vector<std::pair<int, int>>{{key, 100}})) << name;
  }
  auto velocity = ParseCommandLine(
      {"render", "o.wav", "--note", "C4", "--note", "d4:90", "--velocity", "30", "a.sf2"});
  ASSERT_TRUE(velocity.options) << velocity.error;
  EXPECT_EQ(velocity.options->notes, (std::vector<std::pair<int, int>>{{60, 30}, {62, 90}}));
  auto plain = ParseCommandLine({"render", "--velocity", "20", "o.wav", "a.sf2"});
  ASSERT_TRUE(plain.options) << plain.error;
  EXPECT_EQ(plain.options->notes, (std::vector<std::pair<int, int>>{{60, 20}}));
}

TEST(CommandLine, ListTakesImportedNamesAndCategoriesNothing) {
  auto list = ParseCommandLine({"list", "--imported-names", "--tsv", "a.sf2"});
  ASSERT_TRUE(list.options) << list.error;
  EXPECT_TRUE(list.options->importedNames);
  EXPECT_FALSE(ParseCommandLine({"list", "a.sf2"}).options->importedNames);
  auto categories = ParseCommandLine({"categories"});
  ASSERT_TRUE(categories.options) << categories.error;
  EXPECT_EQ(categories.options->command, Command::Categories);
  // A bare --normalize before a file still means -1 dBFS.
  auto normalize = ParseCommandLine({"export", "--single", "d", "--normalize", "a.sf2"});
  ASSERT_TRUE(normalize.options) << normalize.error;
  EXPECT_EQ(normalize.options->exportOptions.normalizeDbfs, -1.0);
  EXPECT_EQ(normalize.options->files, std::vector<std::string>{"a.sf2"});
}

constexpr const char* kNoteNeeds =
    "--note needs KEY[:VELOCITY], a key 0..127 or a name such as C4 (60) or C#4, and a velocity "
    "1..127";

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
      {{"render", "--note", "128", "o", "a"}, kNoteNeeds},
      {{"render", "--note", "60:0", "o", "a"}, kNoteNeeds},
      {{"render", "--note", "6x", "o", "a"}, kNoteNeeds},
      {{"render", "o", "a", "--note"}, kNoteNeeds},
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
      // A level apart from --normalize was meant as its level.
      {{"export", "--single", "d", "--normalize", "-3", "a"},
       "--normalize takes its level after '=': write --normalize=-3"},
      {{"export", "--normalize", "0", "--single", "d", "a"},
       "--normalize takes its level after '=': write --normalize=0"},
      {{"export", "--single", "d", "--auto-loop=501", "a"},
       "--auto-loop needs =MS from 0 to 500 (or nothing, for no crossfade)"},
      {{"export", "--single", "d", "--auto-loop=-1", "a"},
       "--auto-loop needs =MS from 0 to 500 (or nothing, for no crossfade)"},
      {{"export", "--single", "d", "--auto-loop=", "a"},
       "--auto-loop needs =MS from 0 to 500 (or nothing, for no crossfade)"},
      {{"export", "--single", "d", "--auto-loops", "a"},
       "unknown option '--auto-loops' for export (try --help)"},
      {{"render", "o", "--auto-loop", "20", "a"},
       "--auto-loop takes its crossfade after '=': write --auto-loop=20"},
      {{"list", "--auto-loop", "a"}, "unknown option '--auto-loop' for list (try --help)"},
      {{"list", "--detect-root", "a"}, "unknown option '--detect-root' for list (try --help)"},
      {{"render", "--note", "H4", "o", "a"}, kNoteNeeds},
      {{"render", "--note", "G#9", "o", "a"}, kNoteNeeds},   // key 128
      {{"render", "--note", "Cb-1", "o", "a"}, kNoteNeeds},  // key -1
      {{"render", "--note", "C", "o", "a"}, kNoteNeeds},
      {{"render", "--note", "C4:128", "o", "a"}, kNoteNeeds},
      {{"render", "--velocity", "0", "o", "a"}, "--velocity needs a velocity 1..127"},
      {{"render", "o", "a", "--velocity"}, "--velocity needs a velocity 1..127"},
      {{"list", "--velocity", "3", "a"}, "unknown option '--velocity' for list (try --help)"},
      {{"categories", "x"}, "categories takes no FILE"},
      {{"categories", "--only", "x"}, "unknown option '--only' for categories (try --help)"},
      {{"export", "--single", "d", "--trim=-19", "a"},
       "--trim needs =DBFS from -96 to -20 (or nothing, for -60)"},
      {{"export", "--single", "d", "--trim=-97", "a"},
       "--trim needs =DBFS from -96 to -20 (or nothing, for -60)"},
      {{"export", "--single", "d", "--trim=", "a"},
       "--trim needs =DBFS from -96 to -20 (or nothing, for -60)"},
      {{"export", "--single", "d", "--trimmed", "a"},
       "unknown option '--trimmed' for export (try --help)"},
      {{"export", "--single", "d", "--trim", "-40", "a"},
       "--trim takes its level after '=': write --trim=-40"},
      {{"export", "--single", "d", "--mono", "a"}, "--mono needs =same or =all"},
      {{"export", "--single", "d", "--mono=left", "a"}, "--mono needs =same or =all"},
      {{"list", "--trim", "a"}, "--trim, --mono and --rate change only list's --size: give --size"},
      {{"list", "--mono=all", "a"},
       "--trim, --mono and --rate change only list's --size: give --size"},
      {{"list", "--rate", "22050", "a"},
       "--trim, --mono and --rate change only list's --size: give --size"},
      {{"export", "--single", "d", "--rate", "7999", "a"}, "--rate needs HZ from 8000 to 96000"},
      {{"export", "--single", "d", "--rate=96001", "a"}, "--rate needs HZ from 8000 to 96000"},
      {{"export", "--single", "d", "a", "--rate"}, "--rate needs HZ from 8000 to 96000"},
      {{"export", "--single", "d", "--rate=fast", "a"}, "--rate needs HZ from 8000 to 96000"},
      {{"export", "--single", "d", "--size", "a"},
       "unknown option '--size' for export (try --help)"},
      {{"render", "--trim", "o", "a"}, "unknown option '--trim' for render (try --help)"},
      {{"export", "--single", "d", "--imported-names", "a"},
       "unknown option '--imported-names' for export (try --help)"},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseCommandLine(c.arguments);
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.error, c.error);
  }
}

}  // namespace
}  // namespace tolvane::cli
