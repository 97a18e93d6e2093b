// FLAC files decoded straight through libFLAC, against libsndfile's 16-bit reads of the same
// files: every value equal; files that are not clean are left to libsndfile.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "import/sample_files/flac_decode.h"
#include "sound_file_builder.h"

namespace tolvane {
namespace {

using testing::Bytes;

struct Reference {
  int channels = 0;
  int rate = 0;
  std::vector<std::int16_t> values;
};

Reference ReadWithSndfile(const std::filesystem::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  Reference reference{info.channels, info.samplerate, {}};
  reference.values.resize(static_cast<std::size_t>(info.frames * info.channels));
  reference.values.resize(
      static_cast<std::size_t>(sf_readf_short(file, reference.values.data(), info.frames)) *
      static_cast<std::size_t>(info.channels));
  sf_close(file);
  return reference;
}

class FlacDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveSox()) GTEST_SKIP() << "sox is not installed";
  }
  testing::TempFolder folder;
};

TEST_F(FlacDecode, CleanFilesGiveLibsndfilesValues) {
  // Several FLAC frames each, the last one short; widths shifted up, kept and cut down; the
  // general path for more than two channels.
  for (const char* options : {"-r 8000 -c 1 -b 8", "-r 44100 -c 1 -b 16", "-r 48000 -c 2 -b 16",
                              "-r 22050 -c 2 -b 24", "-r 16000 -c 3 -b 16"}) {
    const auto path = folder / "Tone.flac";
    ASSERT_TRUE(testing::Sox(path, options, "synth 0.6 sine 440 synth 0.6 brownnoise mix"));
    const Reference reference = ReadWithSndfile(path);
    ASSERT_FALSE(reference.values.empty()) << options;
    const std::optional<DecodedSound> sound = DecodeCleanFlac(testing::ReadBytes(path));
    ASSERT_TRUE(sound.has_value()) << options;
    EXPECT_EQ(sound->channels, static_cast<std::uint32_t>(reference.channels)) << options;
    EXPECT_EQ(sound->sampleRate, static_cast<std::uint32_t>(reference.rate)) << options;
    EXPECT_EQ(sound->frames * sound->channels, reference.values.size()) << options;
    EXPECT_EQ(sound->claimedFrames, sound->frames) << options;
    EXPECT_EQ(sound->values, reference.values) << options;
  }
}

// The frame count of STREAMINFO: 36 bits from byte 21 (after "fLaC", the block header and 13
// bytes of sizes, rate, channels and width).
Bytes WithClaimedFrames(Bytes flac, std::uint64_t frames) {
  flac[21] = (flac[21] & std::byte{0xF0}) | static_cast<std::byte>((frames >> 32) & 0x0F);
  for (int i = 0; i < 4; ++i) flac[22 + i] = static_cast<std::byte>(frames >> (24 - 8 * i));
  return flac;
}

TEST_F(FlacDecode, FilesThatAreNotCleanAreLeftToLibsndfile) {
  const auto path = folder / "Tone.flac";
  ASSERT_TRUE(testing::Sox(path, "-r 8000 -c 1 -b 16", "synth 1 sine 300 synth 1 pinknoise mix"));
  const Bytes whole = testing::ReadBytes(path);
  ASSERT_TRUE(DecodeCleanFlac(whole).has_value());
  ASSERT_GT(whole.size(), 2000u);

  Bytes flipped = whole;
  flipped[whole.size() / 2] ^= std::byte{0x5A};  // the frame's checksum no longer matches
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"cut short", Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
      {"no count (written to a pipe)", WithClaimedFrames(whole, 0)},
      {"more frames claimed than held", WithClaimedFrames(whole, 8001)},
      {"fewer frames claimed than held", WithClaimedFrames(whole, 7999)},
      {"a damaged frame", flipped},
      {"only the signature", Bytes(whole.begin(), whole.begin() + 4)},
  };
  for (const Case& c : cases) EXPECT_FALSE(DecodeCleanFlac(c.bytes).has_value()) << c.what;
}

}  // namespace
}  // namespace tolvane
