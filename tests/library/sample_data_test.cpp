#include "library/sample_data.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <vector>

namespace tolvane {
namespace {

using Values = std::vector<std::int16_t>;

Values Read(const SampleData& data) {
  return Values(data.begin(), data.end());
}

TEST(SampleDataTest, LittleEndianWordsAreReadUpToTheBytesThereAre) {
  const std::array<std::byte, 5> bytes{std::byte{0x01}, std::byte{0x80}, std::byte{0xFF},
                                       std::byte{0x7F}, std::byte{0x05}};
  struct Case {
    std::size_t count;
    Values expected;
  };
  for (const Case& c :
       {Case{0, {}}, Case{1, {-32767}}, Case{2, {-32767, 32767}}, Case{3, {-32767, 32767}}}) {
    const SampleData data = SampleData::FromLittleEndian(bytes, c.count);
    EXPECT_EQ(Read(data), c.expected) << c.count;
    EXPECT_EQ(data.size(), c.expected.size()) << c.count;
    EXPECT_FALSE(data.planar());
  }
}

TEST(SampleDataTest, PlanesReadInterleavedFromAnyValueOn) {
  const SampleData left(Values{1, 3, 5, 7});
  const SampleData right(Values{2, 4, 6, 8});
  const SampleData both = SampleData::Planes(left, right);
  const SampleData flat(Values{1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(both.planar());
  EXPECT_EQ(both, flat);
  EXPECT_EQ(both.size(), 8u);
  EXPECT_TRUE(both.interleaved().empty());
  EXPECT_EQ(flat.interleaved().size(), 8u);
  // Every run of both layouts, starting on a left or a right value.
  for (std::size_t from = 0; from <= 8; ++from) {
    for (std::size_t count = 0; from + count <= 8; ++count) {
      Values fromPlanes(count), fromFlat(count);
      both.CopyInterleaved(from, fromPlanes);
      flat.CopyInterleaved(from, fromFlat);
      EXPECT_EQ(fromPlanes, Values(flat.begin() + static_cast<std::ptrdiff_t>(from),
                                   flat.begin() + static_cast<std::ptrdiff_t>(from + count)))
          << from << "+" << count;
      EXPECT_EQ(fromFlat, fromPlanes) << from << "+" << count;
    }
  }
}

TEST(SampleDataTest, CopiesShareTheirValuesAndEqualityIsByValue) {
  const SampleData a(Values{1, 2});
  const SampleData copy = a;
  const SampleData same(Values{1, 2});
  EXPECT_TRUE(copy.SharesValuesWith(a));
  EXPECT_FALSE(same.SharesValuesWith(a));
  EXPECT_EQ(same, a);
  EXPECT_NE(SampleData(Values{1, 3}), a);
  EXPECT_NE(SampleData(Values{1}), a);
  EXPECT_TRUE(SampleData().empty());
  EXPECT_EQ(SampleData(), Values{});
}

}  // namespace
}  // namespace tolvane
