#include "base/text_order.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

struct OrderCase {
  const char* a;
  const char* b;
  int bytes;            // sign of CompareBytes
  int caseInsensitive;  // sign of CompareCaseInsensitive
};

int Sign(int v) {
  return (v > 0) - (v < 0);
}

TEST(TextOrder, BothOrders) {
  const OrderCase cases[] = {
      {"", "", 0, 0},
      {"abc", "abc", 0, 0},
      {"ab", "abc", -1, -1},       // a prefix sorts first
      {"piano", "Zither", 1, -1},  // byte order puts lower case after upper case
      {"Drums", "dRUMS", -1, 0},
      {"_x", "ax", -1, -1},  // '_' sorts before letters once folded
      {"_x", "Ax", 1, -1},
      {"\xC4pfel", "Zebra", 1, 1},  // high bytes are unsigned and never fold
      {"\xE4", "\xC4", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(Sign(CompareBytes(c.a, c.b)), c.bytes);
    EXPECT_EQ(Sign(CompareBytes(c.b, c.a)), -c.bytes);
    EXPECT_EQ(Sign(CompareCaseInsensitive(c.a, c.b)), c.caseInsensitive);
    EXPECT_EQ(Sign(CompareCaseInsensitive(c.b, c.a)), -c.caseInsensitive);
  }
}

}  // namespace
}  // namespace tolvane
