// Runs the real tolvane-convert on WAV files made in the test, on Linux and under Wine alike.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/paths.h"
#include "import/format_lists.h"
#include "tests/cli/tone_wave.h"
#include "tests/support/run_program.h"
#include "tests/support/test_folder.h"

namespace {

namespace fs = std::filesystem;

using Args = std::vector<std::string>;
using tolvane::PathFromUtf8;
using tolvane::testing::ProgramRun;
using tolvane::testing::ReadFileText;
using tolvane::testing::ToneWave;

// A path as the program's arguments and messages spell it.
std::string U(const fs::path& path) {
  return tolvane::PathToUtf8(path);
}

// The real banks from Debian: TimGM6mb (6 MB) and FluidR3_GM (141 MB).
constexpr const char* kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

class ConvertTest : public ::testing::Test {
 protected:
  // `name` is UTF-8 and may hold folders.
  fs::path Wav(const std::string& name, std::uint32_t rate, std::uint16_t bits,
               std::uint16_t channels, double amplitude = 0.5) {
    const fs::path path = dir_.path() / PathFromUtf8(name);
    fs::create_directories(path.parent_path());
    tolvane::testing::WriteFileText(path, ToneWave(rate, bits, channels, amplitude));
    return path;
  }

  // Runs the tool with the test's own database unless the arguments name one.
  ProgramRun Convert(Args arguments, bool ownDatabase = true) {
    if (ownDatabase) arguments.insert(arguments.end(), {"--database", U(dir_ / "db.ini")});
    return tolvane::testing::RunProgram(PathFromUtf8(TOLVANE_CONVERT), arguments, dir_.path());
  }

  tolvane::testing::TestFolder dir_;
};

std::vector<std::vector<std::string>> TsvRows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

bool LooksLikeSoundId(const std::string& text) {
  if (text.size() != 10 || text.front() != '[' || text.back() != ']') return false;
  for (std::size_t i = 1; i < 9; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i])) || std::islower(text[i])) return false;
  return true;
}

TEST_F(ConvertTest, ListShowsRowsSortedByNameInAlignedColumns) {
  const auto zither = Wav("zither.wav", 44100, 16, 1);
  const auto bells = Wav("Bells.wav", 22050, 16, 2);
  const ProgramRun run = Convert({"list", U(zither), U(bells)});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::istringstream lines(run.out);
  std::string header, first, second, count;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  std::getline(lines, count);
  EXPECT_EQ(header.substr(0, 36), "Sound-Name  Category   Coll  Samples");
  // 0.05 s is 1103 frames at 22050 Hz (stereo) and 2205 at 44100 Hz; two bytes a frame count.
  EXPECT_EQ(first.substr(0, 47), "Bells       (unknown)  ---   1 (1S)   2.1 kB  [");
  EXPECT_EQ(second.substr(0, 47), "zither      (unknown)  ---   1 (1M)   4.3 kB  [");
  EXPECT_EQ(count, "2 instruments");
  EXPECT_TRUE(LooksLikeSoundId(first.substr(first.size() - 10))) << first;

  const ProgramRun tsv = Convert({"list", "--tsv", U(zither), U(bells)});
  ASSERT_EQ(tsv.status, 0);
  const auto rows = TsvRows(tsv.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Bells", "(unknown)", "---", "1 (1S)", "2.1 kB",
                                               first.substr(first.size() - 10)}));
  EXPECT_EQ(rows[1][0], "zither");
}

// Every file that is not imported whole is named with its reason, the others are still listed
// or exported, and the status says that not everything went well.
TEST_F(ConvertTest, FilesNotImportedWholeAreNamedAndTheRestGoOn) {
  const auto wav = Wav("a.wav", 44100, 16, 1);
  std::ofstream(dir_ / "notes.txt") << "not a sound";
  fs::create_directories(dir_ / "folder");
  // MP3 data in a WAV file.
  const std::string fmt("fmt \x10\0\0\0\x55\0\x01\0\x44\xAC\0\0\0\0\0\0\x01\0\0\0", 24);
  const std::string data("data\x04\0\0\0\xFF\xFB\x90\x64", 12);
  std::ofstream(dir_ / "mp3.wav") << "RIFF" << std::string("\x28\0\0\0", 4) << "WAVE" << fmt
                                  << data;
  // A SiFi file with bytes after its last chunk.
  ASSERT_EQ(Convert({"export", "--single", U(dir_.path()), U(wav)}).status, 0);
  tolvane::testing::WriteFileText(dir_ / "extra.SLI", ReadFileText(dir_ / "a.SLI") + "xyz");

  std::vector<std::pair<std::string, std::string>> cases = {
      {"notes.txt", "notes.txt: not recognised as " + tolvane::ReadFormatsText()},
      {"missing.wav", "missing.wav: cannot open file: no such file"},
      {"folder", "folder: not recognised: no sound files (WAV, AIFF, FLAC or Ogg) in the folder"},
      {"mp3.wav", "mp3.wav: not recognised: WAV format 0x0055 (MPEG Layer 3) is not supported"},
      {"extra.SLI",
       "extra.SLI: damaged (1 instrument imported): 3 bytes after the last chunk, too few for a "
       "chunk"},
  };
  // A bank cut short once listed "0 instruments" as if all were well.
  if (fs::exists(kTimGM6mb)) {
    const std::string bank = ReadFileText(kTimGM6mb);
    tolvane::testing::WriteFileText(dir_ / "cut.sf2",
                                    std::string_view(bank).substr(0, bank.size() - 1000));
    cases.emplace_back("cut.sf2", "cut.sf2: damaged: 'pdta' chunk runs past the end of the file");
  }
  Args files = {U(wav)};
  for (const auto& [name, message] : cases) files.push_back(U(dir_ / name));

  Args list = {"list", "--tsv"};
  list.insert(list.end(), files.begin(), files.end());
  const ProgramRun run = Convert(list);
  EXPECT_EQ(run.status, 1);
  const auto rows = TsvRows(run.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "a");
  EXPECT_EQ(rows[1][0], "a");
  for (const auto& [name, message] : cases)
    EXPECT_NE(run.err.find(U(dir_ / name) + message.substr(name.size()) + "\n"), std::string::npos)
        << run.err;

  const fs::path out = dir_ / "out.SLC";
  Args exportAll = {"export", "--collection", U(out)};
  exportAll.insert(exportAll.end(), files.begin(), files.end());
  const ProgramRun exported = Convert(exportAll);
  EXPECT_EQ(exported.status, 1);
  EXPECT_NE(exported.out.find("wrote"), std::string::npos);
  EXPECT_EQ(TsvRows(Convert({"list", "--tsv", U(out)}).out).size(), 2u);

  const ProgramRun bad = Convert({"export", "--bogus", "x"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("unknown option"), std::string::npos);

  const ProgramRun help = Convert({"--help"}, false);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage:"), std::string::npos);
}

// A WAV file written to a pipe keeps the placeholder sizes its writer could not fill in: it is
// whole, and the exit status says so.
TEST_F(ConvertTest, WavWrittenToAPipeImportsWhole) {
  std::string file = ToneWave(8000, 16, 1, 0.5);
  for (const std::size_t sizeField : {std::size_t{4}, std::size_t{40}}) {
    for (std::size_t i = 0; i < 4; ++i) file[sizeField + i] = '\xFF';
  }
  tolvane::testing::WriteFileText(dir_ / "piped.wav", file);
  const ProgramRun run = Convert({"list", "--tsv", U(dir_ / "piped.wav")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(TsvRows(run.out).size(), 1u) << run.out;
}

// A small SFZ library as found on Windows: folders in another case, '\\' between them, an
// included file, a stereo sample and a missing one.
TEST_F(ConvertTest, SfzLibraryIsListedAndExported) {
  Wav("Lib/Samples/Kick 1.wav", 44100, 16, 1);
  Wav("Lib/Samples/Pad.wav", 44100, 16, 2);
  tolvane::testing::WriteFileText(dir_ / "Lib/keys.sfz",
                                  "<region> sample=samples\\pad.wav lokey=c4 hikey=c5\n");
  tolvane::testing::WriteFileText(dir_ / "Lib/Drums.sfz",
                                  "<control> default_path=SAMPLES/\n<group> volume=-6\n"
                                  "<region> sample=Kick 1.wav key=36\n"
                                  "<region> sample=Snare 1.wav key=38\n"
                                  "<control> default_path=\n#include \"keys.sfz\"\n");
  const fs::path sfz = dir_ / "Lib/Drums.sfz";
  const ProgramRun list = Convert({"list", "--tsv", U(sfz)});
  EXPECT_EQ(list.status, 1);
  EXPECT_EQ(list.err, "tolvane-convert: " + U(sfz) +
                          ": damaged (1 instrument imported): 1 region left out: sample "
                          "'SAMPLES/Snare 1.wav' not found\n");
  const auto rows = TsvRows(list.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "Drums");
  EXPECT_EQ(rows[0][3], "2 (1M1S)");
  const fs::path out = dir_ / "Drums.SLC";
  const ProgramRun exported = Convert({"export", "--collection", U(out), U(sfz)});
  EXPECT_EQ(exported.status, 1);
  EXPECT_GT(fs::file_size(out), 2205u * 2 + 2205u * 4);
}

// What an instrument file cannot hold is a note, not damage: the file counts as imported (exit
// status 0) and each note is named; damage beside notes still fails.
TEST_F(ConvertTest, NotesAreNamedButOnlyDamageFails) {
  Wav("Notes/a.wav", 44100, 16, 1);
  struct Case {
    const char* text;
    int status;
    std::vector<std::string> lines;  // after "tolvane-convert: FILE: "
  };
  const Case cases[] = {
      {"<region> sample=a.wav volume=9 <region> sample=a.wav key=2 trigger=release\n"
       "<region> sample=*noise key=3",
       0,
       {"note: 1 region left out: built-in generator '*noise' cannot be kept",
        "note: 1 region left out: release triggers cannot be kept",
        "note: 1 region played up to 3.0 dB quieter than asked: a gain above 0 dB is kept only "
        "as far as the sample's peak allows"}},
      {"<region> sample=a.wav seq_position=2 <region> sample=gone.wav key=2 <region> sample=a.wav",
       1,
       {"damaged (1 instrument imported): 1 region left out: sample 'gone.wav' not found",
        "note: 1 region left out: only the first round robin is kept"}},
      {"<region> sample=a.wav", 0, {}},
  };
  for (const Case& c : cases) {
    const fs::path sfz = dir_ / "Notes/Pad.sfz";
    tolvane::testing::WriteFileText(sfz, c.text);
    const ProgramRun run = Convert({"list", "--tsv", U(sfz)});
    EXPECT_EQ(run.status, c.status) << c.text;
    std::vector<std::string> lines;
    std::istringstream err(run.err);
    for (std::string line; std::getline(err, line);) {
      const std::string prefix = "tolvane-convert: " + U(sfz) + ": ";
      EXPECT_EQ(line.substr(0, prefix.size()), prefix);
      lines.push_back(line.substr(std::min(prefix.size(), line.size())));
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, c.lines) << run.err;
    EXPECT_EQ(TsvRows(run.out).size(), 1u) << c.text;
  }
}

TEST_F(ConvertTest, CategoryIsRememberedInTheDatabase) {
  const auto wav = Wav("Kick 1.wav", 44100, 16, 1);
  const ProgramRun set = Convert({"list", "--tsv", "--category", "kick 1=KC", U(wav)});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(TsvRows(set.out)[0][1], "[KC] Techno Kick");
  EXPECT_EQ(ReadFileText(dir_ / "db.ini"), "[Kick 1]\r\nKick 1=0;KC;\r\n");

  const ProgramRun again = Convert({"list", "--tsv", U(wav)});
  EXPECT_EQ(TsvRows(again.out)[0][1], "[KC] Techno Kick");

  // Listing changes nothing on disk; once every listed file gained a section.
  fs::remove(dir_ / "db.ini");
  ASSERT_EQ(Convert({"list", U(wav)}).status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "db.ini"));

  const ProgramRun badCode = Convert({"list", "--category", "Kick 1=ZZ", U(wav)});
  EXPECT_NE(badCode.status, 0);
  EXPECT_NE(badCode.err.find("unknown category code 'ZZ'"), std::string::npos);
  const ProgramRun badName = Convert({"list", "--category", "Snare=KC", U(wav)});
  EXPECT_NE(badName.status, 0);
  EXPECT_NE(badName.err.find("no instrument named 'Snare'"), std::string::npos);
}

// Suggestions fill only what nobody chose: --category first, and a remembered choice stays.
TEST_F(ConvertTest, SuggestedCategoriesFillOnlyWhatNobodyChose) {
  const auto kick = Wav("Kick 1.wav", 44100, 16, 1);
  const auto snare = Wav("Snare Rim.wav", 44100, 16, 1);
  const auto take = Wav("Take 7.wav", 44100, 16, 1);
  const ProgramRun run = Convert({"list", "--tsv", "--suggest-categories", "--category",
                                  "kick 1=KC", U(kick), U(snare), U(take)});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = TsvRows(run.out);
  ASSERT_EQ(rows.size(), 3U);
  EXPECT_EQ(rows[0][1], "[KC] Techno Kick");
  EXPECT_EQ(rows[1][1], "[S@] Other Snare");
  EXPECT_EQ(rows[2][1], "(unknown)");
  EXPECT_NE(run.err.find("categories suggested for 1 of 3 instruments"), std::string::npos)
      << run.err;
  // Remembered: the next run without the option lists the same.
  const ProgramRun again = Convert({"list", "--tsv", U(snare)});
  EXPECT_EQ(TsvRows(again.out)[0][1], "[S@] Other Snare");

  const ProgramRun version = Convert({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("tolvane-convert ")) << version.out;
}

// Something at the database's place that cannot be read is never saved over.
TEST_F(ConvertTest, AnUnreadableDatabaseIsNamedAndNotSavedOver) {
  const auto wav = Wav("Kick 1.wav", 44100, 16, 1);
  fs::create_directories(dir_ / "db.ini");
  const ProgramRun list = Convert({"list", "--tsv", U(wav)});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(TsvRows(list.out).size(), 1u);
  EXPECT_NE(list.err.find("cannot read the sound database " + U(dir_ / "db.ini")),
            std::string::npos)
      << list.err;

  const ProgramRun set = Convert({"list", "--tsv", "--category", "Kick 1=KC", U(wav)});
  EXPECT_EQ(set.status, 1);
  EXPECT_NE(set.err.find("the categories given are not saved: the sound database " +
                         U(dir_ / "db.ini") + " cannot be read"),
            std::string::npos)
      << set.err;
  EXPECT_TRUE(fs::is_directory(dir_ / "db.ini"));
}

TEST_F(ConvertTest, CollectionExportReadsBackToTheSameRows) {
  const auto mono = Wav("Piano.wav", 44100, 16, 1);
  const auto stereo = Wav("Pad.wav", 48000, 24, 2);
  const auto eight = Wav("Organ.wav", 8000, 8, 1);
  const auto strings = Wav("Strings.wav", 44100, 16, 2);
  const Args files = {U(mono), U(stereo), U(eight), U(strings)};
  const auto with = [&files](Args head) {
    head.insert(head.end(), files.begin(), files.end());
    return head;
  };
  const ProgramRun before = Convert(with({"list", "--tsv", "--category", "Pad=AP"}));
  ASSERT_EQ(before.status, 0) << before.err;

  const fs::path out = dir_ / "all.SLC";
  const ProgramRun exported = Convert(with({"export", "--collection", U(out)}));
  ASSERT_EQ(exported.status, 0) << exported.err;
  ASSERT_TRUE(fs::exists(out));
  // An existing file is replaced, also when it is one of the files read (and mapped) for it.
  const ProgramRun again = Convert(with({"export", "--collection", U(out)}));
  ASSERT_EQ(again.status, 0) << again.err;
  const ProgramRun fromItself = Convert({"export", "--collection", U(out), U(out)});
  ASSERT_EQ(fromItself.status, 0) << fromItself.err;

  const ProgramRun after = Convert({"list", "--tsv", U(out)});
  ASSERT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(TsvRows(after.out), TsvRows(before.out));

  const ProgramRun info = Convert({"info", U(out)}, false);
  ASSERT_EQ(info.status, 0) << info.err;
  // 24-bit and 8-bit files become one mono sample per channel, named after the file and channel.
  EXPECT_NE(info.out.find("4 groups, 4 instruments, 5 samples"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("instrument \"Pad\""), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("[AP] Pad A-Synth"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("sample \"Strings\" 44100 Hz, 2 channels, 2205 frames, loop 0-2205, "
                          "root key 60"),
            std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("sample \"Pad2\" 48000 Hz, 1 channel, 2400 frames"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("sample \"Organ1\" 8000 Hz, 1 channel, 400 frames"), std::string::npos)
      << info.out;

  const ProgramRun notSiFi = Convert({"info", U(mono)}, false);
  EXPECT_NE(notSiFi.status, 0);
  EXPECT_NE(notSiFi.err.find("not a SiFi instrument file"), std::string::npos);
}

TEST_F(ConvertTest, SingleExportUsesSafeUniqueNamesAndOnlyChecksNamedRows) {
  const auto a = Wav("one/Piano.wav", 44100, 16, 1);
  const auto b = Wav("two/piano.wav", 22050, 16, 1);
  const auto d = Wav("Skipped.wav", 22050, 16, 1);
  const auto e = Wav(".hidden.wav", 22050, 16, 1);
  const fs::path out = dir_ / "out";
  Args arguments = {"export",  "--single", U(out), "--only", "PIANO", "--only",
                    ".hidden", U(a),       U(b),   U(d),     U(e)};
  std::set<std::string> expected = {"piano.SLI", "Piano_2.SLI", "_hidden.SLI"};
#ifndef _WIN32
  // Windows file names cannot hold these characters (there, such names come from banks).
  arguments.insert(arguments.end(), {"--only", "odd:name*", U(Wav("Odd:Name*.wav", 22050, 16, 1))});
  expected.insert("Odd_Name_.SLI");
#endif
  const ProgramRun run = Convert(arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(out)) names.insert(U(entry.path().filename()));
  // The later of two equal base names stands first among the sources, so it keeps the plain name.
  // A leading dot would hide the file.
  EXPECT_EQ(names, expected);
  EXPECT_NE(run.out.find("wrote " + U(out / "Piano_2.SLI") + "\n"), std::string::npos) << run.out;

  const ProgramRun nothing = Convert({"export", "--single", U(out), U(dir_ / "db.ini")});
  EXPECT_NE(nothing.status, 0);
  EXPECT_NE(nothing.err.find("nothing to export"), std::string::npos) << nothing.err;

  const ProgramRun unknown = Convert({"export", "--single", U(out), "--only", "Nope", U(a)});
  EXPECT_NE(unknown.status, 0);
  EXPECT_NE(unknown.err.find("no instrument named 'Nope'"), std::string::npos);
}

TEST_F(ConvertTest, FailedCollectionExportKeepsTheOldFile) {
  const auto wav = Wav("Piano.wav", 44100, 16, 1);
  const fs::path blocker = dir_ / "file-not-folder";
  std::ofstream(blocker) << "x";
  const ProgramRun run = Convert({"export", "--collection", U(blocker / "out.SLC"), U(wav)});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileText(blocker), "x");
}

// Rows without the Coll column: collection numbers count per file, so a part of a bank written
// to its own file numbers its collections anew.
std::vector<std::vector<std::string>> WithoutColl(std::vector<std::vector<std::string>> rows) {
  for (auto& row : rows)
    if (row.size() > 2) row.erase(row.begin() + 2);
  return rows;
}

TEST_F(ConvertTest, TimGM6mbExportsWholeWithItsTooLargeGroupSplit) {
  if (!fs::exists(kTimGM6mb)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  const ProgramRun list = Convert({"list", "--tsv", kTimGM6mb});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = TsvRows(list.out);
  ASSERT_GT(rows.size(), 100u);

  // Its drum and effect instruments share so many samples that their group's tables need more
  // than the format's 65535 bytes: that group is written as two, and the export says so.
  const fs::path all = dir_ / "all.SLC";
  const ProgramRun whole = Convert({"export", "--collection", U(all), kTimGM6mb});
  ASSERT_EQ(whole.status, 0) << whole.err;
  EXPECT_NE(whole.err.find("group of TmGM6mb_Agogo written as 2 groups (its tables do not fit "
                           "one): "),
            std::string::npos)
      << whole.err;
  EXPECT_NE(whole.err.find(" of sample data stored more than once"), std::string::npos);
  // A loop whose end jumps away from its start is named, and mended on request.
  const std::string seashore =
      "TmGM6mb_Seashore: loop 18705-36335 of sample 'OceanWaves' clicks (a jump of 10678 in "
      "value)";
  EXPECT_NE(whole.err.find(seashore + '\n'), std::string::npos) << whole.err;
  const fs::path snapped = dir_ / "snapped.SLC";
  const ProgramRun snap =
      Convert({"export", "--snap-loops", "--collection", U(snapped), kTimGM6mb});
  ASSERT_EQ(snap.status, 0) << snap.err;
  EXPECT_NE(snap.err.find(seashore + "; snapped to 18696-36338\n"), std::string::npos) << snap.err;
  EXPECT_NE(ReadFileText(snapped), ReadFileText(all));
  for (const fs::path& file : {all, snapped}) {
    const ProgramRun back = Convert({"list", "--tsv", U(file)});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(TsvRows(back.out).size(), rows.size());
  }

  const ProgramRun info = Convert({"info", U(all)}, false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(std::to_string(rows.size()) + " instruments"), std::string::npos);

  const fs::path folder = dir_ / "single";
  const ProgramRun single = Convert({"export", "--single", U(folder), kTimGM6mb});
  ASSERT_EQ(single.status, 0) << single.err;
  EXPECT_NE(single.err.find("group of TmGM6mb_Agogo written as 2 groups"), std::string::npos);
}

TEST_F(ConvertTest, InfoShowsEverySampleOfTheFileAndNamesDamage) {
  if (!fs::exists(kTimGM6mb)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  const auto rows = TsvRows(Convert({"list", "--tsv", kTimGM6mb}).out);
  // An instrument sharing its samples with others, exported alone: its file still holds every
  // sample of its group, also those only the other instruments play.
  // Such an instrument has fewer zones than its group has samples: '11 (5M)'.
  const auto zonesOf = [](const std::string& samplesText) {
    int zones = 0, number = 0;
    for (const char c : samplesText.substr(samplesText.find('('))) {
      if (std::isdigit(static_cast<unsigned char>(c)))
        number = number * 10 + (c - '0');
      else
        zones += std::exchange(number, 0);
    }
    return zones;
  };
  std::vector<std::string> shared;
  for (const auto& row : rows) {
    if (row[2] != "---" && zonesOf(row[3]) < std::stoi(row[3])) {
      shared = row;
      break;
    }
  }
  ASSERT_FALSE(shared.empty());
  const std::string groupSamples = shared[3].substr(0, shared[3].find(' '));
  const fs::path one = dir_ / "one.SLC";
  ASSERT_EQ(Convert({"export", "--collection", U(one), "--only", shared[0], kTimGM6mb}).status, 0);
  const ProgramRun info = Convert({"info", U(one)}, false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(": 1 groups, 1 instruments, " + groupSamples + " samples\n"),
            std::string::npos)
      << info.out.substr(0, 200);

  // A file cut short: what can be read is shown, and the damage is named.
  const std::string whole = ReadFileText(one);
  tolvane::testing::WriteFileText(dir_ / "cut.SLC",
                                  std::string_view(whole).substr(0, whole.size() - 100));
  const ProgramRun cut = Convert({"info", U(dir_ / "cut.SLC")}, false);
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.out.find("damaged: 'SiIg' chunk runs past the end of the file"), std::string::npos)
      << cut.out;
  EXPECT_NE(cut.err.find("cut.SLC: damaged: 'SiIg' chunk runs past the end of the file"),
            std::string::npos)
      << cut.err;
}

TEST_F(ConvertTest, FluidR3ExportsWholeAndReadsBack) {
  if (!fs::exists(kFluidR3)) GTEST_SKIP() << "fluid-soundfont-gm is not installed";
  const ProgramRun list = Convert({"list", "--tsv", kFluidR3});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = TsvRows(list.out);
  ASSERT_GT(rows.size(), 150u);

  const fs::path all = dir_ / "fluid.SLC";
  const ProgramRun exported = Convert({"export", "--collection", U(all), kFluidR3});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const ProgramRun back = Convert({"list", "--tsv", U(all)});
  ASSERT_EQ(back.status, 0) << back.err;
  const auto backRows = TsvRows(back.out);
  EXPECT_EQ(WithoutColl(backRows), WithoutColl(rows));
  // Collections are numbered in file order, which follows the list, not the bank; but the
  // same instruments share samples: the numbers map one to one.
  ASSERT_EQ(backRows.size(), rows.size());
  std::map<std::string, std::string> forward, backward;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& a = rows[i][2];
    const std::string& b = backRows[i][2];
    EXPECT_EQ(a == "---", b == "---") << rows[i][0];
    EXPECT_EQ(forward.emplace(a, b).first->second, b) << rows[i][0];
    EXPECT_EQ(backward.emplace(b, a).first->second, a) << rows[i][0];
  }

  const ProgramRun info = Convert({"info", U(all)}, false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(std::to_string(rows.size()) + " instruments"), std::string::npos)
      << info.out.substr(0, 200);
}

// FluidR3_GM's presets with their programs when a script asks; the Standard kit plays its kick
// on key 36 and its snare on key 38; info lists the presets with the records they play.
TEST_F(ConvertTest, FluidR3PresetsAreListedWithTheirProgramsAndTheKitPlays) {
  if (!fs::exists(kFluidR3)) GTEST_SKIP() << "fluid-soundfont-gm is not installed";
  std::map<std::string, std::string> programs;  // the seventh column
  for (const auto& row :
       TsvRows(Convert({"list", "--tsv", "--programs", "--soundfont", "presets", kFluidR3}).out))
    programs[row[0]] = row.size() == 7 ? row[6] : "";
  EXPECT_EQ(programs["Standard"], "128:0");
  EXPECT_EQ(programs["Yamaha Grand Piano"], "0:0");

  const ProgramRun render =
      Convert({"render", U(dir_ / "kit.wav"), "--soundfont", "presets", "--only", "Standard",
               "--note", "36", "--note", "38", kFluidR3});
  for (const char* note : {"note 36 velocity 100: peak -", "note 38 velocity 100: peak -"})
    EXPECT_NE(render.out.find(note), std::string::npos) << render.out;
  const std::string info = Convert({"info", kFluidR3}, false).out;
  EXPECT_NE(info.find(": SoundFont bank, 189 presets, "), std::string::npos);
  EXPECT_NE(info.find("\n  preset 128:0 \"Standard\": \"Misc. Percussion\", \"Std Snare 1\""),
            std::string::npos);
}

// Names beyond ASCII and beyond Windows-1252, in files, folders and the database's path, reach
// the program whole (on Windows through the wide command line); saving twice replaces the
// database.
TEST_F(ConvertTest, NamesBeyondAsciiWorkAsFilesFoldersAndDatabase) {
  const std::string folder = "Ordner \xCE\xA9 \xE9\x9F\xB3/";  // Greek omega, CJK
  const auto snare =
      Wav(folder + "Caf\xC3\xA9\xE2\x80\x94Snare.wav", 44100, 16, 1);  // "Café—Snare"
  const auto omega = Wav(folder + "\xCE\xA9mega.wav", 22050, 16, 1);
  const fs::path database = dir_.path() / PathFromUtf8("Donn\xC3\xA9\x65s \xCE\xB1.ini");
  const auto run = [&](Args arguments) {
    arguments.insert(arguments.end(), {"--database", U(database), U(snare), U(omega)});
    return Convert(arguments, false);
  };
  const ProgramRun first = run({"list", "--tsv", "--category", "caf\xC3\xA9\xE2\x80\x94snare=KC"});
  ASSERT_EQ(first.status, 0) << first.err;
  std::map<std::string, std::string> categories;
  for (const auto& row : TsvRows(first.out)) categories[row.at(0)] = row.at(1);
  // The omega has no Windows-1252 character; the names inside the model are Windows-1252.
  EXPECT_EQ(categories,
            (std::map<std::string, std::string>{
                {"Caf\xC3\xA9\xE2\x80\x94Snare", "[KC] Techno Kick"}, {"_mega", "(unknown)"}}));
  ASSERT_EQ(run({"list", "--category", "_mega=SE"}).status, 0);
  const std::string saved = ReadFileText(database);
  EXPECT_NE(saved.find("[Caf\xE9\x97Snare]\r\nCaf\xE9\x97Snare=0;KC;\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[_mega]\r\n_mega=0;SE;\r\n"), std::string::npos);

  const fs::path out = dir_.path() / PathFromUtf8(folder + "Ausgabe \xCE\xB2");
  const ProgramRun exported = run({"export", "--single", U(out)});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_TRUE(fs::exists(out / PathFromUtf8("Caf\xC3\xA9\xE2\x80\x94Snare.SLI")));
  EXPECT_TRUE(fs::exists(out / "_mega.SLI"));
}

}  // namespace

namespace {

// The 16-bit values of a canonical WAV file's data chunk, and its channels and rate.
struct WaveData {
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::vector<std::int16_t> values;
};

WaveData ReadWave16(const fs::path& path) {
  const std::string bytes = ReadFileText(path);
  WaveData wave;
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  const std::size_t fmt = bytes.find("fmt ");
  const std::size_t data = bytes.find("data");
  if (fmt == std::string::npos || data == std::string::npos || u16(fmt + 22) != 16) return wave;
  wave.channels = u16(fmt + 10);
  wave.rate = u16(fmt + 12) | (std::uint32_t{u16(fmt + 14)} << 16);
  for (std::size_t at = data + 8; at + 1 < bytes.size(); at += 2)
    wave.values.push_back(static_cast<std::int16_t>(u16(at)));
  return wave;
}

TEST_F(ConvertTest, RenderPlaysTheSampleAtItsRootKeyAndPrintsThePeak) {
  const auto sine = Wav("Sine.wav", 44100, 16, 1, 0.25);
  const auto other = Wav("Another.wav", 44100, 16, 1);
  const WaveData source = ReadWave16(sine);
  ASSERT_EQ(source.values.size(), 2205U);
  int peak = 0;
  for (const std::int16_t v : source.values) peak = std::max(peak, std::abs(int{v}));

  const fs::path out = dir_ / "note.wav";
  const ProgramRun run =
      Convert({"render", U(out), "--only", "sine", "--note", "60:127", U(sine), U(other)});
  ASSERT_EQ(run.status, 0) << run.err;
  char line[64];
  std::snprintf(line, sizeof line, "note 60 velocity 127: peak %.1f dBFS\n",
                20 * std::log10(peak / 32768.0));
  EXPECT_EQ(run.out, "Sine\n" + std::string(line) + "wrote " + U(out) + "\n");

  // Held for a second; after the attack (a millisecond) both sides are the sample itself.
  const WaveData rendered = ReadWave16(out);
  EXPECT_EQ(rendered.channels, 2U);
  EXPECT_EQ(rendered.rate, 44100U);
  ASSERT_GE(rendered.values.size(), 2U * 44100);
  for (std::size_t k = 100; k < source.values.size(); ++k) {
    ASSERT_EQ(rendered.values[2 * k], source.values[k]) << k;
    ASSERT_EQ(rendered.values[2 * k + 1], source.values[k]) << k;
  }

  const ProgramRun missing = Convert({"render", U(out), "--only", "Cello", U(sine)});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "tolvane-convert: --only: no instrument named 'Cello'\n");
}

// An SFZ region's volume above 0 dB goes into its sample: rendered, it is that much louder than
// the same region at 0 dB, until the sample reaches full scale.
TEST_F(ConvertTest, RenderedGainAboveZeroIsLouderUntilTheSampleWouldClip) {
  struct Case {
    double amplitude;  // of the sample, of full scale
    const char* volume;
    double louderDb;  // than the region without volume
  };
  const Case cases[] = {
      {0.25, "6", 6.0},   {0.25, "3.5", 3.5},
      {0.25, "-6", -6.0}, {0.75, "6", 20 * std::log10(1 / 0.75)},  // up to full scale: 2.5 dB
      {1.0, "6", 0.0},
  };
  // The peak the render prints for the region at `volume`, in dBFS.
  const auto renderedPeak = [this](const std::string& volume) {
    const fs::path sfz = dir_ / "Gain.sfz";
    tolvane::testing::WriteFileText(sfz, "<region> sample=Tone.wav volume=" + volume + "\n");
    const ProgramRun run = Convert({"render", U(dir_ / "note.wav"), "--note", "60:127", U(sfz)});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string mark = ": peak ";
    const std::size_t at = run.out.find(mark);
    EXPECT_NE(at, std::string::npos) << run.out;
    return at == std::string::npos ? 0.0 : std::stod(run.out.substr(at + mark.size()));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.amplitude) + " at volume=" + c.volume);
    Wav("Tone.wav", 44100, 16, 1, c.amplitude);
    const double plain = renderedPeak("0");
    EXPECT_NEAR(plain, 20 * std::log10(c.amplitude), 0.1);
    // Each peak is printed to 0.1 dB.
    EXPECT_NEAR(renderedPeak(c.volume) - plain, c.louderDb, 0.11);
  }
}

// export --normalize writes the group's loudest value at the level: rendered back, the peak.
TEST_F(ConvertTest, NormalizedExportPeaksAtTheLevel) {
  const auto tone = Wav("Tone.wav", 44100, 16, 1, 0.25);
  const std::pair<Args, std::string> cases[] = {
      {{}, "-12.0"}, {{"--normalize"}, "-1.0"}, {{"--normalize=-6"}, "-6.0"}};
  for (const auto& [options, peak] : cases) {
    SCOPED_TRACE(::testing::PrintToString(options));
    Args arguments = {"export", "--single", U(dir_ / "out"), U(tone)};
    arguments.insert(arguments.begin() + 1, options.begin(), options.end());
    const ProgramRun exported = Convert(arguments);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const ProgramRun run =
        Convert({"render", U(dir_ / "note.wav"), "--note", "60:127", U(dir_ / "out" / "Tone.SLI")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(": peak " + peak + " dBFS"), std::string::npos) << run.out;
  }
}

// A folder of note-named files is one instrument: listed as one row, exported, and at each
// root key it plays that file's sample as it is.
TEST_F(ConvertTest, AFolderOfNoteNamedFilesIsOneInstrument) {
  const std::vector<std::pair<std::string, int>> notes = {
      {"Keys-C3.wav", 60}, {"Keys-E3.wav", 64}, {"Keys-G3.wav", 67}};
  double amplitude = 0.2;
  for (const auto& [name, key] : notes) Wav("Keys/" + name, 44100, 16, 1, amplitude += 0.1);
  const ProgramRun list = Convert({"list", "--tsv", U(dir_ / "Keys")});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = TsvRows(list.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "Keys");
  EXPECT_EQ(rows[0][3], "3 (3M)");

  for (const auto& [name, key] : notes) {
    SCOPED_TRACE(name);
    const fs::path out = dir_ / "note.wav";
    const ProgramRun run =
        Convert({"render", U(out), "--note", std::to_string(key) + ":127", U(dir_ / "Keys")});
    ASSERT_EQ(run.status, 0) << run.err;
    const WaveData source = ReadWave16(dir_ / "Keys" / name);
    const WaveData rendered = ReadWave16(out);
    ASSERT_GE(rendered.values.size(), 2 * source.values.size());
    for (std::size_t k = 100; k < source.values.size(); ++k)
      ASSERT_EQ(rendered.values[2 * k], source.values[k]) << k;
  }

  const ProgramRun exported = Convert({"export", "--single", U(dir_ / "out"), U(dir_ / "Keys")});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const auto back = TsvRows(Convert({"list", "--tsv", U(dir_ / "out" / "Keys.SLI")}).out);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0][0], "Keys");
  EXPECT_EQ(back[0][3], "3 (3M)");
}

TEST_F(ConvertTest, ExportNamesSilentAndNearlySilentInstruments) {
  const auto loud = Wav("Loud.wav", 44100, 16, 1);
  const auto quiet = Wav("Quiet.wav", 44100, 16, 1, 0.0005);  // peak 16
  const auto faint = Wav("Faint.wav", 44100, 16, 1, 0.0011);  // -59 dB
  const auto hush = Wav("Hush.wav", 44100, 16, 1, 0);
  const ProgramRun run =
      Convert({"export", "--single", U(dir_ / "out"), U(loud), U(quiet), U(faint), U(hush)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tolvane-convert: Hush: silent (every sample value is 0)\n"
            "tolvane-convert: Quiet: nearly silent (peak -66.2 dBFS, below -60 dBFS)\n");
  EXPECT_TRUE(fs::exists(dir_ / "out" / "Hush.SLI"));
}

}  // namespace
