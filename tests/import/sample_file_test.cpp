// AIFF, FLAC and Ogg Vorbis files made by sox, dropped as files: each is one instrument whose
// values are those of the same sound written as a WAV file (lossless formats) or close to them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/outcome_text.h"
#include "import/sample_files/sample_file_import.h"
#include "library/library.h"
#include "sound_file_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::TempFolder;

class SampleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveSox()) GTEST_SKIP() << "sox is not installed";
  }

  // Imports `path` into a fresh library; its only instrument's first sample, or nullptr.
  const Sample* Import(const std::filesystem::path& path, ImportStatus expected) {
    ClearLibrary(library);
    const ImportOutcome outcome = ImportFile(library, database, path.string());
    EXPECT_EQ(outcome.status, expected) << path << ": " << OutcomeReason(outcome);
    if (library.instruments.size() != 1 || library.instruments[0]->zones.empty()) return nullptr;
    return library.instruments[0]->zones[0].sample;
  }

  TempFolder folder;
  SoundDatabase database;
  Library library;
};

// The same sound through WAV and through each format: lossless ones give the same values.
TEST_F(SampleFiles, LosslessFormatsGiveTheValuesOfTheWavFile) {
  struct Case {
    const char* options;  // of the WAV file and of the others
    std::uint32_t channels;
    std::uint8_t flags;
  };
  const Case cases[] = {
      {"-r 22050 -c 1 -b 16", 1, 0},
      {"-r 44100 -c 2 -b 16", 2, ZoneStereo},
      {"-r 44100 -c 1 -b 24", 1, 0},
      {"-r 8000 -c 1 -b 8", 1, 0},
  };
  for (const Case& c : cases) {
    const auto wav = folder / "Tone.wav";
    ASSERT_TRUE(testing::Sox(wav, c.options, "synth 0.05 sine 440 sine 660 gain -3"));
    const Sample* reference = Import(wav, ImportStatus::Imported);
    ASSERT_NE(reference, nullptr);
    const std::vector<std::int16_t> values(reference->data.begin(), reference->data.end());
    for (const char* extension : {".aif", ".aifc", ".flac"}) {
      if (c.flags == ZoneStereo && std::string(extension) == ".aifc") continue;
      const auto path = folder / (std::string("Tone") + extension);
      ASSERT_TRUE(std::system(("sox '" + wav.string() + "' '" + path.string() + "'").c_str()) == 0);
      const Sample* sample = Import(path, ImportStatus::Imported);
      ASSERT_NE(sample, nullptr) << extension;
      EXPECT_EQ(sample->channels, c.channels) << extension;
      EXPECT_EQ(sample->name, "Tone");
      EXPECT_EQ(sample->rootKey, 60u);
      EXPECT_EQ(library.instruments[0]->zones[0].mapping.flags, c.flags) << extension;
      EXPECT_EQ(sample->data, values) << c.options << extension;
    }
  }
}

TEST_F(SampleFiles, OggVorbisIsDecodedCloseToTheSound) {
  const auto path = folder / "Pad.ogg";
  ASSERT_TRUE(testing::Sox(path, "-r 44100 -c 2", "synth 0.5 sine 440 gain -6"));
  const Sample* sample = Import(path, ImportStatus::Imported);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(sample->channels, 2u);
  EXPECT_EQ(sample->sampleRate, 44100u);
  EXPECT_NEAR(sample->frames, 22050, 64);
  std::int16_t peak = 0;
  for (const std::int16_t v : sample->data) peak = std::max<std::int16_t>(peak, v);
  EXPECT_NEAR(peak, 16423, 1200);  // -6 dB
}

TEST_F(SampleFiles, LoopsAndRootKeysComeFromAiffAndFlacChunks) {
  const auto aiff = folder / "Loop.aif";
  ASSERT_TRUE(testing::Sox(aiff, "-r 8000 -c 1 -b 16", "synth 0.1 sine 300"));
  testing::WriteFile(aiff, testing::WithAiffLoop(testing::ReadBytes(aiff), 100, 700, 57, 0));
  const auto flac = folder / "Loop.flac";
  ASSERT_TRUE(testing::Sox(flac, "-r 8000 -c 1 -b 16", "synth 0.1 sine 300"));
  testing::WriteFile(flac,
                     testing::WithFlacRiffBlock(testing::ReadBytes(flac),
                                                testing::SamplerChunk(62, 1u << 31, 1, 50, 500)));
  struct Case {
    std::filesystem::path path;
    std::uint32_t start, end, rootKey;
    std::int32_t correction;
  };
  for (const Case& c : {Case{aiff, 100, 700, 57, 0}, Case{flac, 50, 500, 62, 50}}) {
    const Sample* sample = Import(c.path, ImportStatus::Imported);
    ASSERT_NE(sample, nullptr) << c.path;
    EXPECT_EQ(sample->frames, 800u);
    EXPECT_EQ(sample->loopStart, c.start) << c.path;
    EXPECT_EQ(sample->loopEnd, c.end) << c.path;
    EXPECT_EQ(sample->rootKey, c.rootKey) << c.path;
    EXPECT_EQ(sample->pitchCorrection, c.correction) << c.path;
    EXPECT_EQ(library.instruments[0]->zones[0].mapping.flags, ZoneLoop) << c.path;
  }
}

TEST_F(SampleFiles, ManyChannelsBecomeOneMonoZoneEach) {
  const auto path = folder / "Surround.flac";
  ASSERT_TRUE(testing::Sox(path, "-r 8000 -c 4 -b 16", "synth 0.01 sine 300"));
  ASSERT_NE(Import(path, ImportStatus::Imported), nullptr);
  const Instrument& instrument = *library.instruments[0];
  ASSERT_EQ(instrument.zones.size(), 4u);
  std::vector<std::string> names;
  for (const Zone& zone : instrument.zones) names.push_back(zone.sample->name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Surround1", "Surround2", "Surround3", "Surround4"}));
}

// A signature with nothing readable after it is the format's own, damaged; it leaves nothing.
TEST_F(SampleFiles, BrokenFilesAreDamaged) {
  const auto flac = folder / "Tone.flac";
  ASSERT_TRUE(testing::Sox(flac, "-r 8000 -c 1 -b 16", "synth 0.1 sine 300"));
  Bytes cut = testing::ReadBytes(flac);
  cut.resize(30);
  const std::pair<const char*, Bytes> cases[] = {
      {"Cut.flac", cut},
      {"Empty.aif", testing::Concat({testing::Raw({'F', 'O', 'R', 'M', 0, 0, 0, 4}),
                                     testing::Raw({'A', 'I', 'F', 'F'})})},
      {"Noise.ogg", testing::Concat({testing::Raw({'O', 'g', 'g', 'S'}), Bytes(60)})},
  };
  for (const auto& [name, bytes] : cases) {
    testing::WriteFile(folder / name, bytes);
    EXPECT_EQ(Import(folder / name, ImportStatus::Damaged), nullptr) << name;
    EXPECT_TRUE(library.instruments.empty()) << name;
  }
}

// Files cut short keep the frames there and are named as damaged, as WAV files are; files that
// sox wrote to a pipe, with sizes it could not go back to fill, are whole.
TEST_F(SampleFiles, CutAndStreamedFilesAreReadAsFarAsTheyGo) {
  struct Case {
    const char* name;
    const char* options;
    const char* effects;
    double keep;             // of the file's length, for a cut
    std::uint32_t channels;  // for a cut AIFF file's frame count
    std::uint32_t bytes;
  };
  const Case cases[] = {
      {"Mono.aif", "-r 8000 -c 1 -b 16", "synth 0.1 sine 300", 0.5, 1, 2},
      {"Stereo.aif", "-r 8000 -c 2 -b 24", "synth 0.1 sine 300", 0.6, 2, 3},
      {"Long.flac", "-r 8000 -c 1 -b 16", "synth 2 sine 300", 0.75, 1, 0},
  };
  for (const Case& c : cases) {
    const auto path = folder / c.name;
    ASSERT_TRUE(testing::Sox(path, c.options, c.effects));
    const Sample* whole = Import(path, ImportStatus::Imported);
    ASSERT_NE(whole, nullptr) << c.name;
    const std::vector<std::int16_t> values(whole->data.begin(), whole->data.end());
    const std::uint32_t frames = whole->frames;

    Bytes bytes = testing::ReadBytes(path);
    bytes.resize(static_cast<std::size_t>(static_cast<double>(bytes.size()) * c.keep));
    testing::WriteFile(path, bytes);
    ClearLibrary(library);
    const ImportOutcome outcome = ImportFile(library, database, path.string());
    EXPECT_EQ(outcome.status, ImportStatus::Damaged) << c.name;
    ASSERT_EQ(library.instruments.size(), 1u) << c.name;
    const Sample& cut = *library.instruments[0]->zones[0].sample;
    if (c.bytes != 0) {
      // The sound data starts 16 bytes past the "SSND" identifier.
      const Bytes ssnd = testing::Raw({'S', 'S', 'N', 'D'});
      const auto at = std::search(bytes.begin(), bytes.end(), ssnd.begin(), ssnd.end());
      const auto dataStart = static_cast<std::size_t>(at - bytes.begin()) + 16;
      EXPECT_EQ(cut.frames, (bytes.size() - dataStart) / (c.channels * c.bytes)) << c.name;
    }
    EXPECT_GT(cut.frames, 0u) << c.name;
    EXPECT_LT(cut.frames, frames) << c.name;
    EXPECT_EQ(outcome.reason, "sound data cut short: " + std::to_string(cut.frames) + " of " +
                                  std::to_string(frames) + " frames");
    EXPECT_TRUE(std::equal(cut.data.begin(), cut.data.end(), values.begin())) << c.name;
  }

  for (const char* name : {"Piped.aif", "Piped.flac"}) {
    const auto path = folder / name;
    const std::string type = std::string(name).ends_with(".aif") ? "aiff" : "flac";
    const std::string command = "sox -n -r 8000 -c 1 -b 16 -t " + type +
                                " - synth 0.1 sine 300 2>/dev/null > '" + path.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Sample* sample = Import(path, ImportStatus::Imported);
    ASSERT_NE(sample, nullptr) << name;
    EXPECT_EQ(sample->frames, 800u) << name;
  }
}

}  // namespace
}  // namespace tolvane
