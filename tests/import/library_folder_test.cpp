// A dropped folder of instrument files: every instrument of every file, sharing the samples they
// have in common, categories kept as a drop of each file keeps them, and the sound files no
// instrument plays counted.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "tests/import/soundfont_builder.h"
#include "tests/support/test_folder.h"
#include "zip_builder.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using testing::TestFolder;

class LibraryFolder : public ::testing::Test {
 protected:
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories((folder_ / path).parent_path());
    testing::WriteFileText(folder_ / path, text);
  }
  void Sample(const std::string& path, std::uint32_t frames = 1000) {
    fs::create_directories((folder_ / path).parent_path());
    testing::WriteFile(folder_ / path, testing::TestWave(frames));
  }
  ImportOutcome Import(const std::string& path = "") {
    ClearLibrary(library_);
    return ImportFile(library_, database_,
                      PathToUtf8(path.empty() ? folder_.path() : folder_ / path));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& instrument : library_.instruments) names.push_back(instrument->name);
    return names;
  }
  Instrument& Named(const std::string& name) {
    for (const auto& instrument : library_.instruments)
      if (instrument->name == name) return *instrument;
    ADD_FAILURE() << "no instrument " << name;
    return *library_.instruments.front();
  }

  TestFolder folder_;
  SoundDatabase database_;
  Library library_;
};

// Two programs of one piano share its samples: one source, one group, each sample stored once;
// an included fragment is part of its instrument, and a sound file nothing plays is counted.
TEST_F(LibraryFolder, ProgramsShareTheirSamplesAndIncludesAreNoInstruments) {
  for (const char* name : {"c4", "e4", "g4"}) Sample(std::string("Samples/") + name + ".wav");
  Sample("Extras/noise.wav");
  Write("Programs/Soft.sfz", "#include \"common.sfz\"\n<region> sample=../Samples/c4.wav key=60\n");
  Write("Programs/common.sfz", "<region> sample=../Samples/e4.wav key=64\n");
  Write("Programs/Hard.sfz",
        "<region> sample=../Samples/c4.wav key=60 <region> sample=../Samples/e4.wav key=64\n"
        "<region> sample=../Samples/g4.wav key=67 volume=6\n");
  const ImportOutcome outcome = Import();
  EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
  ASSERT_FALSE(outcome.notes.empty());
  EXPECT_EQ(NoteText(outcome.notes.back()),
            "1 sound file that no instrument plays was passed over");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Hard", "Soft"}));
  ASSERT_EQ(library_.sources.size(), 1u);
  const Source& source = *library_.sources.front();
  EXPECT_EQ(source.baseName, PathToUtf8(folder_.path().filename()));
  // c4 and e4 once each; g4, played 6 dB louder, is the Hard program's own copy.
  EXPECT_EQ(source.samples.size(), 3u);
  EXPECT_EQ(Named("Hard").group, Named("Soft").group);
  EXPECT_EQ(Named("Soft").zones.size(), 2u);
}

// Banks, kits and presets of one folder all arrive; banks as their own sources.
TEST_F(LibraryFolder, EveryInstrumentFileOfTheTreeIsImported) {
  testing::BankBuilder bank;
  const std::uint16_t sample = bank.AddSampleData("Tone", 100, 10, 90, 1);
  bank.AddInstrument("Bank Piano");
  bank.AddZone(sample);
  bank.Finish();
  fs::create_directories(folder_ / "Banks");
  testing::WriteFile(folder_ / "Banks/gm.sf2", bank.Build());
  Sample("Kits/Rock/kick.wav");
  Write("Kits/Rock/drumkit.xml",
        "<drumkit_info><name>Rock</name><instrumentList><instrument><filename>kick.wav</filename>"
        "</instrument></instrumentList></drumkit_info>");
  Sample("Keys.dsbundle/Samples/a.wav");
  Write("Keys.dsbundle/Keys.dspreset",
        "<DecentSampler><groups><group><sample path=\"Samples/a.wav\"/></group></groups>"
        "</DecentSampler>");
  Write("notes.txt", "not an instrument");
  const ImportOutcome outcome = Import();
  EXPECT_TRUE(outcome.imported()) << OutcomeReason(outcome);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Keys", "Rock", "gm_Bank Piano"}));
  EXPECT_EQ(library_.sources.size(), 2u);
  EXPECT_TRUE(outcome.notes.empty());
}

// A category is found again whether the file was dropped alone or in its library.
TEST_F(LibraryFolder, CategoriesAreKeptAsADropOfTheFileKeepsThem) {
  Sample("Samples/a.wav");
  Write("Lead.sfz", "<region> sample=Samples/a.wav");
  Write("Pad.sfz", "<region> sample=Samples/a.wav ampeg_release=2");
  ASSERT_TRUE(Import().imported());
  SetInstrumentCategory(Named("Lead"), 0x4C41);
  ASSERT_TRUE(Import("Lead.sfz").imported());
  EXPECT_EQ(Named("Lead").category, 0x4C41u);
  SetInstrumentCategory(Named("Lead"), 0x4C42);
  ASSERT_TRUE(Import().imported());
  EXPECT_EQ(Named("Lead").category, 0x4C42u);
  EXPECT_NE(Named("Pad").category, 0x4C42u);
}

// What each file left out is named after the file; a folder of sound files alone stays a folder
// of samples.
TEST_F(LibraryFolder, DamageIsNamedByFileAndSoundFilesAloneAreNoLibrary) {
  Sample("Samples/a.wav");
  Write("Good.sfz", "<region> sample=Samples/a.wav");
  Write("Bad.sfz", "<region> sample=Samples/gone.wav");
  // Instrument files of a format not read, or that are none after all, are named too.
  Write("Old.akp", std::string("RIFF\4\0\0\0APRG", 12));
  Write("Fake.sf2", "not a bank");
  const ImportOutcome outcome = Import();
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(DescribeImportOutcome(outcome, 1),
            "damaged (1 instrument imported): Bad.sfz: no region left; Fake.sf2: not recognised; "
            "Old.akp: not read: an Akai program (Akai programs are not read); "
            "1 region left out: sample 'Samples/gone.wav' not found");
  EXPECT_EQ(Names(), std::vector<std::string>{"Good"});

  for (const char* file : {"Good.sfz", "Bad.sfz", "Old.akp", "Fake.sf2"})
    fs::remove(folder_ / file);
  Sample("Samples/Piano-C3.wav");
  EXPECT_TRUE(Import().imported());
  EXPECT_EQ(library_.instruments.size(), 2u);  // loose samples again, by their names
}

}  // namespace
}  // namespace tolvane
