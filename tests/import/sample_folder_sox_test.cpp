// Folders of note-named sample files written by sox, imported through ImportFile: instruments
// by name, keys, layers, pairs, and every sample's values as the file alone gives them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::TempFolder;

class SampleFolder : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "sox runs through a POSIX shell; these folders are made on Linux";
#endif
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    std::filesystem::create_directories(root / "Sub");
    Make("Piano-C3-V127.wav", "-c 1", "sine 262");
    Make("Piano-F#3-V127.flac", "-c 1", "sine 370");
    Make("Piano-C3-V64.aiff", "-c 1", "sine 263");
    Make("Piano-C4-V64.wav", "-c 1", "sine 523");
    Make("Pad_C3_L.wav", "-c 1", "sine 300");
    Make("Pad_C3_R.wav", "-c 1", "square 300");
    Make("Snare_C1_rr2.wav", "-c 1", "noise");
    Make("Snare_C1_rr1.wav", "-c 1", "pinknoise");
    Make("Kick.wav", "-c 2", "sine 60");
    Make("Sub/Bell_A3.wav", "-c 1", "sine 440");
    std::ofstream(root / "broken.wav") << "not a sound";
    std::ofstream(root / "readme.txt") << "not a sample either";
  }

  void Make(const std::string& name, const std::string& channels, const std::string& tone) {
    const std::string command = "sox -n -r 44100 -b 16 " + channels + " '" +
                                (root / name).string() + "' synth 0.05 " + tone +
                                " vol 0.5 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // The values of the file imported alone, as a single file is.
  std::vector<std::int16_t> Alone(const std::string& name) {
    Library alone;
    SoundDatabase db;
    EXPECT_TRUE(ImportFile(alone, db, (root / name).string()).imported()) << name;
    if (alone.instruments.size() != 1 || alone.instruments[0]->zones.empty()) return {};
    const SampleData& data = alone.instruments[0]->zones[0].sample->data;
    return {data.begin(), data.end()};
  }

  const Instrument& Named(const std::string& name) {
    for (const auto& instrument : library.instruments)
      if (instrument->name == name) return *instrument;
    ADD_FAILURE() << "no instrument " << name;
    return *library.instruments.front();
  }

  // A zone's file (its sample's name), keys, root and velocities.
  static std::string Describe(const Zone& zone) {
    const ZoneMapping& m = zone.mapping;
    return zone.sample->name + ":" + std::to_string(m.keyLow) + "-" + std::to_string(m.keyHigh) +
           "@" + std::to_string(zone.sample->rootKey) + "/" + std::to_string(m.velLow) + "-" +
           std::to_string(m.velHigh);
  }

  TempFolder folder{"sample_folder"};
  std::filesystem::path root = folder / "Grand.Piano";
  SoundDatabase database;
  Library library;
};

TEST_F(SampleFolder, NamesMakeInstrumentsAndSamplesKeepTheirValues) {
  const ImportOutcome outcome = ImportFile(library, database, root.string());
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(ImportOutcomeLines(outcome, 5),
            (std::vector<std::string>{
                "damaged (5 instruments imported): 1 file left out: sample 'broken.wav' is not a "
                "sound file that can be read",
                "note: 1 file left out: only the first round robin of a key and layer is kept"}));

  ASSERT_EQ(library.sources.size(), 2u);
  EXPECT_EQ(library.sources[0]->baseName, "Grand.Piano");
  EXPECT_EQ(library.sources[1]->baseName, "Sub");
  std::vector<std::string> names;
  for (const auto& instrument : library.instruments) names.push_back(instrument->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Bell", "Kick", "Pad", "Piano", "Snare"}));

  const Instrument& piano = Named("Piano");
  std::vector<std::string> zones;
  for (const Zone& zone : piano.zones) zones.push_back(Describe(zone));
  std::sort(zones.begin(), zones.end());
  EXPECT_EQ(zones, (std::vector<std::string>{
                       "Piano-C3-V127:0-63@60/65-127", "Piano-C3-V64:0-66@60/1-64",
                       "Piano-C4-V64:67-127@72/1-64", "Piano-F#3-V127:64-127@66/65-127"}));
  for (const Zone& zone : piano.zones) {
    const std::string file =
        zone.sample->name + (zone.sample->name.ends_with("V127")
                                 ? (zone.sample->rootKey == 60 ? ".wav" : ".flac")
                                 : (zone.sample->rootKey == 60 ? ".aiff" : ".wav"));
    const std::vector<std::int16_t> values(zone.sample->data.begin(), zone.sample->data.end());
    EXPECT_EQ(values, Alone(file)) << file;
    EXPECT_EQ(zone.sample->channels, 1u);
  }

  const Instrument& pad = Named("Pad");
  ASSERT_EQ(pad.zones.size(), 1u);
  const Sample& stereo = *pad.zones[0].sample;
  EXPECT_EQ(stereo.channels, 2u);
  EXPECT_TRUE(pad.zones[0].mapping.flags & ZoneStereo);
  const auto left = Alone("Pad_C3_L.wav");
  const auto right = Alone("Pad_C3_R.wav");
  ASSERT_EQ(stereo.frames, left.size());
  for (std::size_t f = 0; f < stereo.frames; ++f) {
    ASSERT_EQ(stereo.data[2 * f], left[f]) << f;
    ASSERT_EQ(stereo.data[2 * f + 1], right[f]) << f;
  }

  const Instrument& snare = Named("Snare");
  ASSERT_EQ(snare.zones.size(), 1u);
  EXPECT_EQ(Describe(snare.zones[0]), "Snare_C1_rr1:0-127@36/0-127");

  // A file whose name holds no note stays an instrument of its own, as when dropped alone.
  const Instrument& kick = Named("Kick");
  ASSERT_EQ(kick.zones.size(), 1u);
  EXPECT_EQ(Describe(kick.zones[0]), "Kick:0-127@60/0-127");
  EXPECT_EQ(kick.zones[0].sample->channels, 2u);

  EXPECT_EQ(Named("Bell").source, library.sources[1].get());
  EXPECT_EQ(Describe(Named("Bell").zones[0]), "Bell_A3:0-127@69/0-127");
}

TEST_F(SampleFolder, ANameThatDisagreesWithTheFilesRootKeyIsFollowedAndRemarked) {
  using namespace testing;
  // Organ_C4 carries a sampler chunk that says key 62; its name says 72 (C4, middle C being C3).
  WriteFile(root / "Organ_C4.wav",
            Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", ValuesLE16({1, 2, 3, 4})),
                          SamplerChunk(62, 0, 1, 0, 4)}));
  WriteFile(root / "Organ_C5.wav",
            Riff("WAVE", {FormatChunk(1, 44100, 16), Chunk("data", ValuesLE16({5, 6, 7, 8})),
                          SamplerChunk(84, 0, 1, 0, 4)}));
  ImportFile(library, database, root.string());
  const Instrument& organ = Named("Organ");
  ASSERT_EQ(organ.zones.size(), 2u);
  EXPECT_EQ(organ.zones[0].sample->rootKey, 72u);
  EXPECT_EQ(organ.zones[1].sample->rootKey, 84u);
  EXPECT_EQ(organ.remarks,
            "Organ_C4: its name says key 72, the file's own root key is 62; the name is "
            "followed\r\n");
  EXPECT_EQ(Named("Piano").remarks, "");
}

TEST_F(SampleFolder, TheMiddleCSettingMovesPlainNotes) {
  ImportSettings settings;
  settings.middleC = MiddleC::C4;
  ImportFile(library, database, root.string(), nullptr, settings);
  EXPECT_EQ(Named("Bell").zones[0].sample->rootKey, 57u);
  EXPECT_EQ(Named("Snare").zones[0].sample->rootKey, 24u);
}

TEST_F(SampleFolder, AFolderWithoutSoundFilesIsNotRecognised) {
  const ImportOutcome outcome = ImportFile(library, database, (folder / "empty").string());
  EXPECT_EQ(outcome.status, ImportStatus::CannotOpen);  // not there at all
  std::filesystem::create_directories(folder / "empty");
  std::ofstream(folder / "empty" / "notes.txt") << "text";
  const ImportOutcome empty = ImportFile(library, database, (folder / "empty").string());
  EXPECT_EQ(empty.status, ImportStatus::NotRecognised);
  EXPECT_EQ(empty.reason, "no sound files (WAV, AIFF, FLAC or Ogg) in the folder");
  EXPECT_TRUE(library.instruments.empty());
}

}  // namespace
}  // namespace tolvane
