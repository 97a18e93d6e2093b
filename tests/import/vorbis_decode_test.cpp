// Ogg Vorbis streams read in order, as files and as a bank's samples: several links, a link whose
// headers break off, and the length a stream claims from its pages.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bytes.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "import/importer.h"
#include "import/soundfont/ogg_pages.h"
#include "import/soundfont/vorbis_decode.h"
#include "library/library.h"
#include "vorbis_encoder.h"

namespace tolvane {
namespace {

using Values16 = std::vector<std::int16_t>;
using Bytes = std::vector<std::byte>;

Values16 Ramp(std::size_t count) {
  Values16 values(count);
  for (std::size_t i = 0; i < count; ++i)
    values[i] = static_cast<std::int16_t>(static_cast<int>((i * 1237) % 20000) - 10000);
  return values;
}

// Where each page of `stream` starts.
std::vector<std::size_t> PageStarts(const Bytes& stream) {
  std::vector<std::size_t> pages;
  for (std::size_t at = 0; at + 4 <= stream.size(); ++at)
    if (LoadU32(stream.data() + at) == FourCC("OggS")) pages.push_back(at);
  return pages;
}

// A link whose headers break off after an intact one: vorbisfile opened such a stream with
// seeking and leaked what it had gathered of the broken link (a fuzzed file found it). The file,
// the bank's stream and the file dropped all name it as damaged.
TEST(VorbisDecode, ALinkWhoseHeadersBreakOffIsUndecodable) {
  const Bytes broken = testing::EncodeVorbisWithBrokenLink(Ramp(3000), 22050);
  EXPECT_EQ(DecodeVorbis(broken).failure, kVorbisUndecodable);
  EXPECT_TRUE(DecodeVorbis(broken).values.empty());
  const DecodedVorbisFile file = DecodeVorbisFile(broken, 1u << 20);
  EXPECT_EQ(file.failure, kVorbisUndecodable);
  EXPECT_TRUE(file.values.empty());

  Library library;
  SoundDatabase database;
  const ImportOutcome outcome =
      ImportBytes(library, database, "Broken.ogg", ImportView{broken, 0, nullptr});
  EXPECT_EQ(outcome.status, ImportStatus::Damaged);
  EXPECT_EQ(outcome.reason, kVorbisUndecodable);
  EXPECT_TRUE(library.instruments.empty());
}

// Read in order, a stream of two whole links gives both, one after the other.
TEST(VorbisDecode, LinksFollowingOneAnotherDecodeInOrder) {
  const Bytes first = testing::EncodeVorbis(Ramp(1500), 22050);
  const Bytes second = testing::EncodeVorbis(Ramp(700), 22050, 1, 0.5F, 2);
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  Values16 expected = DecodeVorbis(first).values;
  const Values16 secondValues = DecodeVorbis(second).values;
  expected.insert(expected.end(), secondValues.begin(), secondValues.end());
  ASSERT_EQ(expected.size(), 2200u);

  EXPECT_EQ(DecodeVorbis(both).values, expected);
  const DecodedVorbisFile file = DecodeVorbisFile(both, 1u << 20);
  EXPECT_EQ(file.values, expected);
  EXPECT_EQ(file.channels, 1u);
  EXPECT_EQ(file.sampleRate, 22050u);
}

// The claimed length is the frames a whole stream decodes to; a last page that is damaged or cut
// gives way to the one before it.
TEST(VorbisDecode, TheClaimedLengthComesFromTheLastSoundPage) {
  for (const std::size_t frames :
       {std::size_t{1}, std::size_t{500}, std::size_t{1024}, std::size_t{4000}}) {
    const Bytes stream = testing::EncodeVorbis(Ramp(frames), 22050);
    EXPECT_EQ(OggClaimedFrames(stream), static_cast<std::int64_t>(frames));
    EXPECT_EQ(DecodeVorbis(stream).values.size(), frames);
  }

  const Bytes stream = testing::EncodeVorbis(Ramp(20000), 22050);
  const std::vector<std::size_t> pages = PageStarts(stream);
  ASSERT_GE(pages.size(), 4u);  // identification, comments and codebooks, then sound
  const auto before =
      static_cast<std::int64_t>(LoadU64(stream.data() + pages[pages.size() - 2] + 6));
  ASSERT_GT(before, 0);
  ASSERT_LT(before, 20000);
  Bytes damaged = stream;
  damaged[(pages.back() + stream.size()) / 2] ^= std::byte{0x5A};
  const Bytes cut(stream.begin(), stream.end() - 1);
  const struct {
    const char* what;
    Bytes stream;
    std::int64_t claimed;
  } cases[] = {
      {"whole", stream, 20000},
      {"last page damaged", damaged, before},
      {"last page cut", cut, before},
      {"headers only",
       Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(pages[2])), 0},
      {"not Ogg", Bytes(300, std::byte{0x4F}), -1},
      {"empty", Bytes(), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(OggClaimedFrames(c.stream), c.claimed) << c.what;
}

}  // namespace
}  // namespace tolvane
