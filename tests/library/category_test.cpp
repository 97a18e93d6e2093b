#include <gtest/gtest.h>

#include <set>

#include "library/category.h"

namespace tolvane {
namespace {

TEST(Category, Texts) {
  const struct {
    std::uint32_t code;
    const char* text;
  } cases[] = {
      {0, "(None)"},
      {0x4040, "(unknown)"},  // "@@" has no main category '@'
      {MakeCategoryCode('K', 'C'), "[KC] Techno Kick"},
      {MakeCategoryCode('K', '@'), "[K@] Other Kick"},
      {MakeCategoryCode('K', 'Z'), "[K*] Kick"},
      {MakeCategoryCode('d', 'T'), "[dT] TR-alike Drum-Loop"},
      {MakeCategoryCode('D', 'T'), "[DT] Texture D-Synth"},
      {MakeCategoryCode('Z', '1'), "(unknown)"},
      {MakeCategoryCode('x', '@'), "[x*] FX-Loop"},
      {MakeCategoryCode('Y', 'H'), "[YH] China Cymbal"},
      {MakeCategoryCode('A', 'C'), "[AC] Percussive A-Synth"},
      {MakeCategoryCode('P', 'N'), "[PN] Triangle Percussion"},
      {MakeCategoryCode('D', 'I'), "[DI] Piano D-Synth"},
      {MakeCategoryCode('A', 'I'), "[AI] Ext-In A-Synth"},
      {0x10000 | MakeCategoryCode('K', 'C'), "[KC] Techno Kick"},  // only 16 bits count
  };
  for (const auto& c : cases) EXPECT_EQ(CategoryText(c.code), c.text) << std::hex << c.code;
}

TEST(Category, TableShape) {
  const auto table = CategoryTable();
  ASSERT_EQ(table.size(), 12u);
  const std::string letters = "KSHOYPdptxAD";
  const std::size_t counts[] = {18, 18, 18, 18, 9, 20, 18, 18, 18, 0, 21, 19};
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].letter, letters[i]);
    EXPECT_EQ(table[i].subCategories.size(), counts[i]) << table[i].name;
    std::set<char> unique;
    for (const auto& sub : table[i].subCategories) unique.insert(sub.letter);
    EXPECT_EQ(unique.size(), counts[i]) << "letters unique in " << table[i].name;
    if (counts[i] > 0) {
      EXPECT_EQ(table[i].subCategories.back().letter, '@');
    }
  }
  for (const auto& main : table)
    EXPECT_LE(CategoryText(MakeCategoryCode(main.letter, 'Z')).size(), 24u);
  for (const auto& main : table)
    for (const auto& sub : main.subCategories)
      EXPECT_LE(CategoryText(MakeCategoryCode(main.letter, sub.letter)).size(), 24u);
}

TEST(Category, CodesOrderByValue) {
  EXPECT_LT(CompareCategoryCodes(0, 0x4040), 0);
  EXPECT_LT(CompareCategoryCodes(0x4040, MakeCategoryCode('A', 'S')), 0);
  EXPECT_LT(CompareCategoryCodes(MakeCategoryCode('Y', 'H'), MakeCategoryCode('d', 'T')), 0);
  EXPECT_LT(CompareCategoryCodes(MakeCategoryCode('K', '8'), MakeCategoryCode('K', 'A')), 0);
  EXPECT_EQ(CompareCategoryCodes(MakeCategoryCode('K', 'A'), MakeCategoryCode('K', 'A')), 0);
}

TEST(Category, MenuStructure) {
  const auto menu = CategoryMenu();
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(menu[0].kind, CategoryMenuEntry::Item);
  EXPECT_EQ(menu[0].name, "Other");
  EXPECT_EQ(menu[0].code, 0x4040);

  std::vector<std::string> subMenus;
  std::size_t items = 0;
  int depth = 0;
  std::set<CategoryCode> codes;
  for (const auto& entry : menu) {
    switch (entry.kind) {
      case CategoryMenuEntry::SubMenuBegin:
        EXPECT_EQ(depth, 0);
        ++depth;
        subMenus.emplace_back(entry.name);
        break;
      case CategoryMenuEntry::SubMenuEnd:
        --depth;
        break;
      case CategoryMenuEntry::Item:
        ++items;
        EXPECT_GT(entry.code, 256);  // apart from the other menu commands
        EXPECT_TRUE(codes.insert(entry.code).second) << "duplicate " << entry.code;
        break;
    }
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(subMenus, (std::vector<std::string>{"Kick", "Snare", "HiHat", "Tom", "Cymbal",
                                                "Percussion", "Drum-Loop", "Perc-Loop",
                                                "Tonal-Loop", "A-Synth", "D-Synth"}));
  EXPECT_EQ(items, 1u + 18 * 7 + 9 + 20 + 1 + 21 + 19);
  EXPECT_TRUE(codes.count(MakeCategoryCode('x', '@')));  // FX-Loop is a plain item
  EXPECT_TRUE(codes.count(MakeCategoryCode('P', 'W')));
}

}  // namespace
}  // namespace tolvane
