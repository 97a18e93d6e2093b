// Real WAV files written by sox, read back through ImportFile and compared with the bytes of
// their own "data" chunk.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "base/bytes.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"
#include "riff_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;
using testing::TempFolder;

bool HaveSox() {
  return std::system("command -v sox >/dev/null 2>&1") == 0;
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Bytes out(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<std::byte>(text[i]);
  return out;
}

// The data chunk of a plain WAV file, found by a walk of its own.
Bytes DataChunkOf(const Bytes& file) {
  std::size_t position = 12;
  while (position + 8 <= file.size()) {
    const std::uint32_t size = LoadU32(file.data() + position + 4);
    if (LoadU32(file.data() + position) == FourCC("data")) {
      return Bytes(file.begin() + static_cast<std::ptrdiff_t>(position + 8),
                   file.begin() + static_cast<std::ptrdiff_t>(position + 8 + size));
    }
    position += 8 + size + (size & 1);
  }
  ADD_FAILURE() << "no data chunk";
  return {};
}

class SoxFiles : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "sox runs through a POSIX shell; this comparison with it runs on Linux";
#endif
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  }

  // Writes `name` with sox (`options` before the output file, `effects` after it) and imports
  // it. Returns the file's data chunk.
  Bytes Make(const std::string& name, const std::string& options, const std::string& effects) {
    const auto path = folder / name;
    const std::string command =
        "sox -n " + options + " '" + path.string() + "' " + effects + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(ImportFile(library, database, path.string()).imported());
    return DataChunkOf(ReadAll(path));
  }

  static std::int16_t Value(const Bytes& data, std::size_t offset) {
    return static_cast<std::int16_t>(LoadU16(data.data() + offset));
  }

  TempFolder folder{"sox"};
  SoundDatabase database;
  Library library;
};

TEST_F(SoxFiles, Mono16Bit) {
  const Bytes data = Make("Bell.wav", "-r 44100 -b 16 -c 1", "synth 0.1 sine 440");
  ASSERT_EQ(library.instruments.size(), 1u);
  const Instrument& instrument = *library.instruments[0];
  EXPECT_EQ(instrument.name, "Bell");
  ASSERT_EQ(instrument.zones.size(), 1u);
  const Sample& sample = *instrument.zones[0].sample;
  EXPECT_EQ(sample.channels, 1u);
  EXPECT_EQ(sample.sampleRate, 44100u);
  ASSERT_EQ(sample.frames, data.size() / 2);
  EXPECT_EQ(sample.frames, 4410u);
  for (std::size_t i = 0; i < sample.frames; ++i)
    ASSERT_EQ(sample.data[i], Value(data, 2 * i)) << i;
  EXPECT_EQ(sample.loopEnd, sample.frames);
  EXPECT_EQ(sample.rootKey, 60u);
}

TEST_F(SoxFiles, Stereo16Bit) {
  const Bytes data = Make("Duo.wav", "-r 22050 -b 16 -c 2", "synth 0.05 sine 440 square 300");
  ASSERT_EQ(library.instruments.size(), 1u);
  const Instrument& instrument = *library.instruments[0];
  ASSERT_EQ(instrument.zones.size(), 1u);
  EXPECT_EQ(instrument.zones[0].mapping.flags, ZoneStereo);
  const Sample& sample = *instrument.zones[0].sample;
  EXPECT_EQ(sample.channels, 2u);
  ASSERT_EQ(sample.frames, data.size() / 4);
  ASSERT_EQ(sample.data.size(), data.size() / 2);
  for (std::size_t i = 0; i < sample.data.size(); ++i)
    ASSERT_EQ(sample.data[i], Value(data, 2 * i)) << i;
}

// Every layout other than 16-bit mono or stereo: one mono sample per channel, each holding the
// top 16 bits (or the centred 8 bits) of its channel.
TEST_F(SoxFiles, MultichannelFilesAreSplitPerChannel) {
  struct Case {
    const char* name;
    const char* options;
    std::size_t bits;
    std::size_t channels;
  };
  const Case cases[] = {
      {"Quad24.wav", "-r 32000 -b 24 -c 4", 24, 4},
      {"Quad8.wav", "-r 11025 -b 8 -e unsigned-integer -c 4", 8, 4},
      {"Wide32.wav", "-r 16000 -b 32 -e signed-integer -c 2", 32, 2},
      {"Six16.wav", "-r 8000 -b 16 -c 6", 16, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLibrary(library);
    std::string tones;
    for (std::size_t i = 0; i < c.channels; ++i) tones += " sine " + std::to_string(300 + 150 * i);
    const Bytes data = Make(c.name, c.options, "synth 0.05" + tones + " vol 0.9");
    ASSERT_EQ(library.instruments.size(), 1u);
    const Instrument& instrument = *library.instruments[0];
    ASSERT_EQ(instrument.zones.size(), c.channels);
    const std::size_t width = c.bits / 8;
    const std::size_t frameSize = width * c.channels;
    const std::string base = std::string(c.name).substr(0, std::string(c.name).size() - 4);
    for (std::size_t ch = 0; ch < c.channels; ++ch) {
      // Each zone goes in front of the earlier ones: the last channel comes first.
      const Zone& zone = instrument.zones[c.channels - 1 - ch];
      const Sample& sample = *zone.sample;
      EXPECT_EQ(sample.name, base + static_cast<char>('1' + ch));
      EXPECT_EQ(sample.channels, 1u);
      EXPECT_EQ(zone.mapping.flags, 0);
      ASSERT_EQ(sample.frames, data.size() / frameSize);
      bool anyNonZero = false;
      for (std::size_t f = 0; f < sample.frames; ++f) {
        const std::size_t at = f * frameSize + ch * width;
        const std::int16_t expected =
            c.bits == 8 ? static_cast<std::int16_t>((std::to_integer<int>(data[at]) - 128) * 256)
                        : Value(data, at + width - 2);
        ASSERT_EQ(sample.data[f], expected) << "channel " << ch << " frame " << f;
        anyNonZero = anyNonZero || expected != 0;
      }
      EXPECT_TRUE(anyNonZero);
    }
  }
}

// Float, A-law and mu-law files, checked against sox's own conversion of the same file to
// 16-bit PCM (without dither): equal within one step.
TEST_F(SoxFiles, FloatAndCompandedFilesMatchSoxsSixteenBits) {
  const char* const encodings[] = {"-e floating-point -b 32", "-e floating-point -b 64", "-e a-law",
                                   "-e u-law"};
  for (const char* encoding : encodings) {
    for (const int channels : {1, 2}) {
      SCOPED_TRACE(std::string(encoding) + " x" + std::to_string(channels));
      ClearLibrary(library);
      const std::string name = "Enc" + std::to_string(channels) + ".wav";
      Make(name, "-r 22050 -c " + std::to_string(channels) + " " + encoding,
           channels == 1 ? "synth 0.05 sine 440 vol 0.95"
                         : "synth 0.05 sine 440 square 97 vol 0.95");
      const auto reference = folder / "reference.wav";
      const std::string command = "sox -D '" + (folder / name).string() + "' -e signed -b 16 '" +
                                  reference.string() + "' 2>/dev/null";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      const Bytes expected = DataChunkOf(ReadAll(reference));

      ASSERT_EQ(library.instruments.size(), 1u);
      const Instrument& instrument = *library.instruments[0];
      ASSERT_EQ(instrument.zones.size(), 1u);
      const Sample& sample = *instrument.zones[0].sample;
      EXPECT_EQ(sample.channels, static_cast<std::uint32_t>(channels));
      ASSERT_EQ(sample.data.size(), expected.size() / 2);
      for (std::size_t i = 0; i < sample.data.size(); ++i)
        ASSERT_NEAR(sample.data[i], Value(expected, 2 * i), 1) << i;
    }
  }
}

}  // namespace
}  // namespace tolvane
