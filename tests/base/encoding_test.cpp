#include "base/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvane {
namespace {

struct Case {
  const char* utf8;
  const char* windows1252;
};

TEST(Utf8ToWindows1252, MapsEveryKindOfCharacter) {
  const Case cases[] = {
      {"Piano", "Piano"},
      {"", ""},
      {"Caf\xC3\xA9", "Caf\xE9"},        // Latin-1 range stays
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},  // edges of the upper half
      {"\xE2\x82\xAC"
       "5",
       "\x80"
       "5"},                                         // euro sign
      {"\xE2\x80\x93\xE2\x80\x94", "\x96\x97"},      // en and em dash
      {"\xC5\xA0\xC5\xBD\xC5\xB8", "\x8A\x8E\x9F"},  // S, Z, Y with marks
      {"\xE2\x84\xA2\xCB\x9C", "\x99\x98"},          // trade mark, small tilde
      {"\xCE\xA9mega", "_mega"},                     // Greek is not in the page
      {"\xE6\x97\xA5\xE6\x9C\xAC", "__"},            // one "_" per character
      {"\xF0\x9F\x8E\xB9!", "_!"},                   // four-byte character
      {"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
      {"\xC2\x80\xC2\x9F", "__"},  // C1 controls whose bytes mean other characters
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.windows1252) << c.utf8;
  }
}

TEST(Utf8ToWindows1252, IllFormedSequencesBecomeUnderscores) {
  const Case cases[] = {
      {"a\x80"
       "b",
       "a_b"},          // lone continuation byte
      {"a\xC3", "a_"},  // truncated at the end
      {"\xC3"
       "A",
       "_A"},                        // lead byte without continuation
      {"\xC0\xAF", "__"},            // overlong slash: both bytes invalid
      {"\xE0\x80\xAF", "___"},       // overlong three-byte form
      {"\xED\xA0\x80", "___"},       // surrogate half
      {"\xF4\x90\x80\x80", "____"},  // above U+10FFFF
      {"\xE2\x82", "_"},             // truncated three-byte euro: one maximal part
      {"\xE2\x82"
       "x",
       "_x"},
      {"\xF0\x9F\x8E", "_"},
      {"\xFF\xFE", "__"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.windows1252) << testing::PrintToString(c.utf8);
  }
}

TEST(Windows1252ToUtf8, MapsEveryByte) {
  EXPECT_EQ(Windows1252ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");
  EXPECT_EQ(Windows1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
  EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Windows1252ToUtf8, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(one)), one) << b;
  }
}

}  // namespace
}  // namespace tolvane
