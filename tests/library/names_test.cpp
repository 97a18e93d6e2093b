#include <gtest/gtest.h>

#include "library/library.h"

namespace tolvane {
namespace {

TEST(ShortenName, WorkedResults) {
  const struct {
    const char* name;
    std::size_t n;
    const char* result;
  } cases[] = {
      {"Piano", 7, "Piano"},
      {"Grand Piano", 7, "GrandPn"},
      {"Grand Piano", 10, "GrandPiano"},
      {"Oboe Solo", 5, "OboSl"},
      {"Timpani", 3, "Tmp"},
      {"Aeiou Xyz", 4, "AXyz"},
      {"A  B  C  D", 7, "A  B CD"},
      {"Analog Bass 01", 8, "AnlgBs01"},
      {"Bright Piano 2L", 10, "BrightPn2L"},
      {"Strings Ensemble 2", 12, "Strngsnsmbl2"},
      {"Marimba Long 120", 8, "MrmbL120"},
      {"Strings1234567", 7, "Strings"},
      {"Vox 12", 2, "Vx"},
      {"Electric Guitar Clean Long Name", 25, "ElectricGuitarCleanLongNm"},
      // Exactly n stays; one more is shortened to exactly n.
      {"ABCDEFG", 7, "ABCDEFG"},
      {"ABCDEFGH", 7, "ABCDFGH"},
      {"BCDFGHJK", 7, "BCDFGHJ"},
      // 'Y' and bytes above 0x7F are not shortenable letters; the first character is kept.
      {"Ayyyy", 4, "Ayyy"},
      {"E\xE9\xE9\xE9\xE9", 4, "E\xE9\xE9\xE9"},
      {"", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " into " + std::to_string(c.n));
    EXPECT_EQ(ShortenName(c.name, c.n), c.result);
  }
}

TEST(ShortenName, LongTailWithShortBodyStaysWithinLimit) {
  // The tail is longer than the room and is dropped; the body alone is shorter than n.
  const std::string result = ShortenName("Organ 12345678", 7);
  EXPECT_LE(result.size(), 7u);
  EXPECT_EQ(result, "Organ ");
  for (const std::size_t n : {1u, 2u, 3u, 8u, 13u}) {
    const std::string r = ShortenName("Organ 12345678", n);
    EXPECT_LE(r.size(), n);
  }
}

TEST(ShortenName, ResultNeverExceedsLimit) {
  const char* names[] = {
      "1234567890", "a1", " 9x", "     ", "Bass 1", "x99999999999y", "Aeiou Aeiou Aeiou 0000"};
  for (const char* name : names) {
    for (std::size_t n = 0; n <= 12; ++n) {
      SCOPED_TRACE(std::string(name) + " into " + std::to_string(n));
      const std::string_view original(name);
      const std::string r = ShortenName(original, n);
      if (original.size() <= n) {
        EXPECT_EQ(r, original);
      } else {
        EXPECT_LE(r.size(), n);
        // Made only from the name's own characters, in their order.
        std::size_t at = 0;
        for (const char c : r) {
          at = original.find(c, at);
          ASSERT_NE(at, std::string_view::npos);
          ++at;
        }
      }
    }
  }
}

TEST(SoundIdHash, Examples) {
  EXPECT_EQ(SoundIdHash(""), 0u);
  EXPECT_EQ(SoundIdHash("a"), 0x00C20000u);
  EXPECT_EQ(SoundIdHash("abc"), 0xC2000683u);
  EXPECT_EQ(SoundIdHash("PIANO"), 0x0004762Fu);
  // Bytes above 0x7F count as unsigned values.
  EXPECT_EQ(SoundIdHash("\xFF"), 0xFFu << 17);
  EXPECT_EQ(SoundIdHash(std::string_view("a\xFF", 2)), (0x61u << 21) + 0xFF);
}

TEST(SoundIdHash, UpperCasingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCaseAscii("piano_2 \xE9z"), "PIANO_2 \xE9Z");
  EXPECT_EQ(SoundIdHash(UpperCaseAscii("piano")), SoundIdHash("PIANO"));
}

}  // namespace
}  // namespace tolvane
