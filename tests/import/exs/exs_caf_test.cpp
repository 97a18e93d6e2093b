// CAF samples, as Logic's own instruments have them: plain ones decoded through libsndfile,
// compressed ones (AAC) named as not read.

#include <sndfile.h>

#include "exs_fixture.h"
#include "tests/import/sound_file_builder.h"

namespace tolvane {
namespace {

using ExsFolder = testing::ExsFolder;

// A CAF file of 16-bit mono values written by libsndfile.
void WriteCaf(const std::filesystem::path& path, int frames) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<short> values(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) values[static_cast<std::size_t>(i)] = static_cast<short>(i);
  EXPECT_EQ(sf_writef_short(file, values.data(), frames), frames);
  sf_close(file);
}

// The start of a CAF file whose "desc" chunk names AAC: what libsndfile cannot decode.
testing::Bytes AacCaf() {
  testing::Bytes bytes;
  testing::PutText(bytes, "caff");
  testing::PutBE32(bytes, 0x00010000);
  testing::PutText(bytes, "desc");
  testing::PutBE32(bytes, 0);
  testing::PutBE32(bytes, 32);
  testing::PutBE32(bytes, 0x40E58880);  // 44100.0 as a big-endian double
  testing::PutBE32(bytes, 0);
  testing::PutText(bytes, "aac ");
  bytes.resize(bytes.size() + 20);
  return bytes;
}

TEST_F(ExsFolder, CafSamplesAreReadUnlessCompressed) {
  std::filesystem::create_directories(folder_ / "Instruments");
  WriteCaf(folder_ / "Instruments/plain.caf", 777);
  testing::WriteFile(folder_ / "Instruments/aac.caf", AacCaf());
  testing::ExsContents contents;
  contents.samples = {{.file = "plain.caf"}, {.file = "aac.caf"}};
  contents.zones = {{.keyLow = 0, .keyHigh = 60}, {.keyLow = 61, .keyHigh = 127}};
  for (const bool big : {false, true}) {
    contents.big = big;
    const ImportOutcome outcome = Drop(contents);
    EXPECT_EQ(Lines(outcome),
              "damaged (1 instrument imported): 1 zone left out: sample "
              "'aac.caf' cannot be read: CAF file of AAC audio, which is not "
              "read\n");
    const std::vector<Zone> zones = Zones();
    ASSERT_EQ(zones.size(), 1u);
    EXPECT_EQ(zones[0].sample->frames, 777u);
    EXPECT_EQ(zones[0].sample->sampleRate, 44100u);
  }
}

}  // namespace
}  // namespace tolvane
