// Runs the real tolvane-convert on WAV files made by sox.

#include <gtest/gtest.h>
#include <sys/wait.h>

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

#include "tests/support/test_folder.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

using tolvane::testing::ReadFileText;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The real banks from Debian: TimGM6mb (6 MB) and FluidR3_GM (141 MB).
constexpr const char* kTimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kFluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is missing";
  }

  // A 0.05 s sine of 440 Hz; `effects` follow it, undithered.
  fs::path Wav(const std::string& name, const std::string& format,
               const std::string& effects = "") {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    const std::string command = "sox " + std::string(effects.empty() ? "" : "-D ") + "-n " +
                                format + " " + Quote(path.string()) + " synth 0.05 sine 440 " +
                                effects + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  // Runs the tool with the test's own database unless the arguments name one.
  Outcome Convert(const std::string& arguments, bool ownDatabase = true) {
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    std::string command = std::string(TOLVANE_CONVERT) + " " + arguments;
    if (ownDatabase) command += " --database " + Quote((dir_ / "db.ini").string());
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    Outcome run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadFileText(out);
    run.err = ReadFileText(err);
    return run;
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
  const auto zither = Wav("zither.wav", "-r 44100 -b 16 -c 1");
  const auto bells = Wav("Bells.wav", "-r 22050 -b 16 -c 2");
  const Outcome run = Convert("list " + Quote(zither.string()) + " " + Quote(bells.string()));
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

  const Outcome tsv = Convert("list --tsv " + Quote(zither.string()) + " " + Quote(bells.string()));
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
  const auto wav = Wav("a.wav", "-r 44100 -b 16 -c 1");
  std::ofstream(dir_ / "notes.txt") << "not a sound";
  fs::create_directories(dir_ / "folder");
  // MP3 data in a WAV file.
  const std::string fmt("fmt \x10\0\0\0\x55\0\x01\0\x44\xAC\0\0\0\0\0\0\x01\0\0\0", 24);
  const std::string data("data\x04\0\0\0\xFF\xFB\x90\x64", 12);
  std::ofstream(dir_ / "mp3.wav") << "RIFF" << std::string("\x28\0\0\0", 4) << "WAVE" << fmt
                                  << data;
  // A SiFi file with bytes after its last chunk.
  ASSERT_EQ(
      Convert("export --single " + Quote(dir_.path().string()) + " " + Quote(wav.string())).status,
      0);
  tolvane::testing::WriteFileText(dir_ / "extra.SLI", ReadFileText(dir_ / "a.SLI") + "xyz");

  std::vector<std::pair<std::string, std::string>> cases = {
      {"notes.txt", "notes.txt: not recognised as a WAV file, SoundFont bank or SiFi file"},
      {"missing.wav", "missing.wav: cannot open file: no such file"},
      {"folder", "folder: cannot open file: it is a folder"},
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
  std::string files = Quote(wav.string());
  for (const auto& [name, message] : cases) files += " " + Quote((dir_ / name).string());

  const Outcome run = Convert("list --tsv " + files);
  EXPECT_EQ(run.status, 1);
  const auto rows = TsvRows(run.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "a");
  EXPECT_EQ(rows[1][0], "a");
  for (const auto& [name, message] : cases)
    EXPECT_NE(run.err.find(dir_.path().string() + "/" + message + "\n"), std::string::npos)
        << run.err;

  const fs::path out = dir_ / "out.SLC";
  const Outcome exported = Convert("export --collection " + Quote(out.string()) + " " + files);
  EXPECT_EQ(exported.status, 1);
  EXPECT_NE(exported.out.find("wrote"), std::string::npos);
  EXPECT_EQ(TsvRows(Convert("list --tsv " + Quote(out.string())).out).size(), 2u);

  const Outcome bad = Convert("export --bogus x");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("unknown option"), std::string::npos);

  const Outcome help = Convert("--help", false);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage:"), std::string::npos);
}

TEST_F(ConvertTest, CategoryIsRememberedInTheDatabase) {
  const auto wav = Wav("Kick 1.wav", "-r 44100 -b 16 -c 1");
  const Outcome set = Convert("list --tsv --category 'kick 1=KC' " + Quote(wav.string()));
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(TsvRows(set.out)[0][1], "[KC] Techno Kick");
  EXPECT_EQ(ReadFileText(dir_ / "db.ini"), "[Kick 1]\r\nKick 1=0;KC;\r\n");

  const Outcome again = Convert("list --tsv " + Quote(wav.string()));
  EXPECT_EQ(TsvRows(again.out)[0][1], "[KC] Techno Kick");

  // Listing changes nothing on disk; once every listed file gained a section.
  fs::remove(dir_ / "db.ini");
  ASSERT_EQ(Convert("list " + Quote(wav.string())).status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "db.ini"));

  const Outcome badCode = Convert("list --category 'Kick 1=ZZ' " + Quote(wav.string()));
  EXPECT_NE(badCode.status, 0);
  EXPECT_NE(badCode.err.find("unknown category code 'ZZ'"), std::string::npos);
  const Outcome badName = Convert("list --category 'Snare=KC' " + Quote(wav.string()));
  EXPECT_NE(badName.status, 0);
  EXPECT_NE(badName.err.find("no instrument named 'Snare'"), std::string::npos);
}

// Something at the database's place that cannot be read is never saved over.
TEST_F(ConvertTest, AnUnreadableDatabaseIsNamedAndNotSavedOver) {
  const auto wav = Wav("Kick 1.wav", "-r 44100 -b 16 -c 1");
  fs::create_directories(dir_ / "db.ini");
  const Outcome list = Convert("list --tsv " + Quote(wav.string()));
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(TsvRows(list.out).size(), 1u);
  EXPECT_NE(list.err.find("cannot read the sound database " + (dir_ / "db.ini").string()),
            std::string::npos)
      << list.err;

  const Outcome set = Convert("list --tsv --category 'Kick 1=KC' " + Quote(wav.string()));
  EXPECT_EQ(set.status, 1);
  EXPECT_NE(set.err.find("the categories given are not saved: the sound database " +
                         (dir_ / "db.ini").string() + " cannot be read"),
            std::string::npos)
      << set.err;
  EXPECT_TRUE(fs::is_directory(dir_ / "db.ini"));
}

TEST_F(ConvertTest, CollectionExportReadsBackToTheSameRows) {
  const auto mono = Wav("Piano.wav", "-r 44100 -b 16 -c 1");
  const auto stereo = Wav("Pad.wav", "-r 48000 -b 24 -c 2");
  const auto eight = Wav("Organ.wav", "-r 8000 -b 8 -c 1");
  const auto strings = Wav("Strings.wav", "-r 44100 -b 16 -c 2");
  const std::string files = Quote(mono.string()) + " " + Quote(stereo.string()) + " " +
                            Quote(eight.string()) + " " + Quote(strings.string());
  const Outcome before = Convert("list --tsv --category Pad=AP " + files);
  ASSERT_EQ(before.status, 0) << before.err;

  const fs::path out = dir_ / "all.SLC";
  const Outcome exported = Convert("export --collection " + Quote(out.string()) + " " + files);
  ASSERT_EQ(exported.status, 0) << exported.err;
  ASSERT_TRUE(fs::exists(out));

  const Outcome after = Convert("list --tsv " + Quote(out.string()));
  ASSERT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(TsvRows(after.out), TsvRows(before.out));

  const Outcome info = Convert("info " + Quote(out.string()), false);
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

  const Outcome notSiFi = Convert("info " + Quote(mono.string()), false);
  EXPECT_NE(notSiFi.status, 0);
  EXPECT_NE(notSiFi.err.find("not a SiFi instrument file"), std::string::npos);
}

TEST_F(ConvertTest, SingleExportUsesSafeUniqueNamesAndOnlyChecksNamedRows) {
  const auto a = Wav("one/Piano.wav", "-r 44100 -b 16 -c 1");
  const auto b = Wav("two/piano.wav", "-r 22050 -b 16 -c 1");
  const auto c = Wav("Odd:Name*.wav", "-r 22050 -b 16 -c 1");
  const auto d = Wav("Skipped.wav", "-r 22050 -b 16 -c 1");
  const auto e = Wav(".hidden.wav", "-r 22050 -b 16 -c 1");
  const fs::path out = dir_ / "out";
  const Outcome run =
      Convert("export --single " + Quote(out.string()) + " --only PIANO --only 'odd:name*' " +
              "--only .hidden " + Quote(a.string()) + " " + Quote(b.string()) + " " +
              Quote(c.string()) + " " + Quote(d.string()) + " " + Quote(e.string()));
  ASSERT_EQ(run.status, 0) << run.err;
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(out)) names.insert(entry.path().filename());
  // The later of two equal base names stands first among the sources, so it keeps the plain name.
  // A leading dot would hide the file.
  EXPECT_EQ(names,
            (std::set<std::string>{"Odd_Name_.SLI", "piano.SLI", "Piano_2.SLI", "_hidden.SLI"}));

  const Outcome nothing =
      Convert("export --single " + Quote(out.string()) + " " + Quote((dir_ / "db.ini").string()));
  EXPECT_NE(nothing.status, 0);
  EXPECT_NE(nothing.err.find("nothing to export"), std::string::npos) << nothing.err;

  const Outcome unknown =
      Convert("export --single " + Quote(out.string()) + " --only Nope " + Quote(a.string()));
  EXPECT_NE(unknown.status, 0);
  EXPECT_NE(unknown.err.find("no instrument named 'Nope'"), std::string::npos);
}

TEST_F(ConvertTest, FailedCollectionExportKeepsTheOldFile) {
  const auto wav = Wav("Piano.wav", "-r 44100 -b 16 -c 1");
  const fs::path blocker = dir_ / "file-not-folder";
  std::ofstream(blocker) << "x";
  const Outcome run = Convert("export --collection " + Quote((blocker / "out.SLC").string()) + " " +
                              Quote(wav.string()));
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

TEST_F(ConvertTest, TimGM6mbTooLargeCollectionIsNamedAndTheRestExports) {
  if (!fs::exists(kTimGM6mb)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  const Outcome list = Convert(std::string("list --tsv ") + kTimGM6mb);
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = TsvRows(list.out);
  ASSERT_GT(rows.size(), 100u);

  // Its drum and effect instruments share so many samples that their group's tables need more
  // than the format's 65535 bytes: the whole bank cannot go into one file, and no file is left.
  const fs::path all = dir_ / "all.SLC";
  const Outcome whole = Convert("export --collection " + Quote(all.string()) + " " + kTimGM6mb);
  EXPECT_NE(whole.status, 0);
  EXPECT_NE(whole.err.find("cannot write " + all.string() + ": group of "), std::string::npos)
      << whole.err;
  EXPECT_NE(whole.err.find("tables need"), std::string::npos) << whole.err;
  EXPECT_FALSE(fs::exists(all));
  const std::string group = whole.err.substr(whole.err.find("group of ") + 9);
  const std::string firstOfGroup = group.substr(0, group.find(':'));

  // Every instrument outside that collection exports and reads back to the same rows.
  std::string tooLargeColl;
  for (const auto& row : rows)
    if (row[0] == firstOfGroup) tooLargeColl = row[2];
  ASSERT_NE(tooLargeColl, "");
  ASSERT_NE(tooLargeColl, "---");
  std::string only;
  std::vector<std::vector<std::string>> kept;
  for (const auto& row : rows) {
    if (row[2] == tooLargeColl) continue;
    only += " --only " + Quote(row[0]);
    kept.push_back(row);
  }
  ASSERT_GT(kept.size(), 50u);
  const fs::path rest = dir_ / "rest.SLC";
  const Outcome part =
      Convert("export --collection " + Quote(rest.string()) + only + " " + kTimGM6mb);
  ASSERT_EQ(part.status, 0) << part.err;
  const Outcome back = Convert("list --tsv " + Quote(rest.string()));
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(WithoutColl(TsvRows(back.out)), WithoutColl(kept));

  const Outcome info = Convert("info " + Quote(rest.string()), false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(std::to_string(kept.size()) + " instruments"), std::string::npos);
}

TEST_F(ConvertTest, InfoShowsEverySampleOfTheFileAndNamesDamage) {
  if (!fs::exists(kTimGM6mb)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  const auto rows = TsvRows(Convert(std::string("list --tsv ") + kTimGM6mb).out);
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
  ASSERT_EQ(Convert("export --collection " + Quote(one.string()) + " --only " + Quote(shared[0]) +
                    " " + kTimGM6mb)
                .status,
            0);
  const Outcome info = Convert("info " + Quote(one.string()), false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(": 1 groups, 1 instruments, " + groupSamples + " samples\n"),
            std::string::npos)
      << info.out.substr(0, 200);

  // A file cut short: what can be read is shown, and the damage is named.
  const std::string whole = ReadFileText(one);
  tolvane::testing::WriteFileText(dir_ / "cut.SLC",
                                  std::string_view(whole).substr(0, whole.size() - 100));
  const Outcome cut = Convert("info " + Quote((dir_ / "cut.SLC").string()), false);
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.out.find("damaged: 'SiIg' chunk runs past the end of the file"), std::string::npos)
      << cut.out;
  EXPECT_NE(cut.err.find("cut.SLC: damaged: 'SiIg' chunk runs past the end of the file"),
            std::string::npos)
      << cut.err;
}

TEST_F(ConvertTest, FluidR3ExportsWholeAndReadsBack) {
  if (!fs::exists(kFluidR3)) GTEST_SKIP() << "fluid-soundfont-gm is not installed";
  const Outcome list = Convert(std::string("list --tsv ") + kFluidR3);
  ASSERT_EQ(list.status, 0) << list.err;
  const auto rows = TsvRows(list.out);
  ASSERT_GT(rows.size(), 150u);

  const fs::path all = dir_ / "fluid.SLC";
  const Outcome exported = Convert("export --collection " + Quote(all.string()) + " " + kFluidR3);
  ASSERT_EQ(exported.status, 0) << exported.err;
  const Outcome back = Convert("list --tsv " + Quote(all.string()));
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

  const Outcome info = Convert("info " + Quote(all.string()), false);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find(std::to_string(rows.size()) + " instruments"), std::string::npos)
      << info.out.substr(0, 200);
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
  const auto sine = Wav("Sine.wav", "-r 44100 -b 16 -c 1", "vol 0.5");
  const auto other = Wav("Another.wav", "-r 44100 -b 16 -c 1");
  const WaveData source = ReadWave16(sine);
  ASSERT_EQ(source.values.size(), 2205U);
  int peak = 0;
  for (const std::int16_t v : source.values) peak = std::max(peak, std::abs(int{v}));

  const fs::path out = dir_ / "note.wav";
  const Outcome run = Convert("render " + Quote(out.string()) + " --only sine --note 60:127 " +
                              Quote(sine.string()) + " " + Quote(other.string()));
  ASSERT_EQ(run.status, 0) << run.err;
  char line[64];
  std::snprintf(line, sizeof line, "note 60 velocity 127: peak %.1f dBFS\n",
                20 * std::log10(peak / 32768.0));
  EXPECT_EQ(run.out, "Sine\n" + std::string(line) + "wrote " + out.string() + "\n");

  // Held for a second; after the attack (a millisecond) both sides are the sample itself.
  const WaveData rendered = ReadWave16(out);
  EXPECT_EQ(rendered.channels, 2U);
  EXPECT_EQ(rendered.rate, 44100U);
  ASSERT_GE(rendered.values.size(), 2U * 44100);
  for (std::size_t k = 100; k < source.values.size(); ++k) {
    ASSERT_EQ(rendered.values[2 * k], source.values[k]) << k;
    ASSERT_EQ(rendered.values[2 * k + 1], source.values[k]) << k;
  }

  const Outcome missing =
      Convert("render " + Quote(out.string()) + " --only Cello " + Quote(sine.string()));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "tolvane-convert: --only: no instrument named 'Cello'\n");
}

TEST_F(ConvertTest, ExportNamesSilentAndNearlySilentInstruments) {
  const auto loud = Wav("Loud.wav", "-r 44100 -b 16 -c 1");
  const auto quiet = Wav("Quiet.wav", "-r 44100 -b 16 -c 1", "vol 0.0005");  // peak 16
  const auto faint = Wav("Faint.wav", "-r 44100 -b 16 -c 1", "vol 0.0011");  // -59 dB
  const auto hush = Wav("Hush.wav", "-r 44100 -b 16 -c 1", "vol 0");
  const Outcome run = Convert("export --single " + Quote((dir_ / "out").string()) + " " +
                              Quote(loud.string()) + " " + Quote(quiet.string()) + " " +
                              Quote(faint.string()) + " " + Quote(hush.string()));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "tolvane-convert: Hush: silent (every sample value is 0)\n"
            "tolvane-convert: Quiet: nearly silent (peak -66.2 dBFS, below -60 dBFS)\n");
  EXPECT_TRUE(fs::exists(dir_ / "out" / "Hush.SLI"));
}

}  // namespace
