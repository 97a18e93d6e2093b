#pragma once
// Sound categories: a two-letter code (main letter in the high byte, sub letter in the low byte)
// from a fixed two-level table. 0 means no category; 0x4040 ("@@") is "Other".

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolvane {

using CategoryCode = std::uint16_t;

inline constexpr CategoryCode kCategoryOther = 0x4040;

struct SubCategory {
  char letter;
  std::string_view name;
};

struct MainCategory {
  char letter;
  std::string_view name;
  std::span<const SubCategory> subCategories;
};

// The twelve main categories in menu order.
std::span<const MainCategory> CategoryTable();

constexpr CategoryCode MakeCategoryCode(char main, char sub) {
  return static_cast<CategoryCode>((static_cast<unsigned char>(main) << 8) |
                                   static_cast<unsigned char>(sub));
}

// "(None)", "(unknown)", "[KC] Techno Kick" or "[x*] FX-Loop". Only the low 16 bits count.
std::string CategoryText(std::uint32_t code);

// Codes order by their 16-bit value: 0, "@@", then main letter, then sub letter.
inline int CompareCategoryCodes(std::uint32_t a, std::uint32_t b) {
  const auto x = static_cast<CategoryCode>(a), y = static_cast<CategoryCode>(b);
  return (x > y) - (x < y);
}

// The category menu as data for a GUI to render: a flat list of entries in menu order. An entry
// is either an item (a code to choose), or the start or end of a sub-menu.
struct CategoryMenuEntry {
  enum Kind { Item, SubMenuBegin, SubMenuEnd };
  Kind kind;
  std::string_view name;  // item text or sub-menu title; empty for SubMenuEnd
  CategoryCode code;      // the identifier of an item, which is the code it selects; 0 otherwise
};

// "Other" (0x4040) first, then per main category either a plain item (no sub-categories,
// code main letter x 256 + '@') or a sub-menu of its sub-categories.
std::span<const CategoryMenuEntry> CategoryMenu();

}  // namespace tolvane
