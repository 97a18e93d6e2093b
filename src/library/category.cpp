#include "library/category.h"

#include <array>
#include <cstdio>
#include <vector>

namespace tolvane {
namespace {

constexpr SubCategory kStyles[] = {
    {'T', "TR-alike"}, {'B', "Big Beat"}, {'H', "HipHop"}, {'E', "Electro"}, {'A', "Acid"},
    {'C', "Techno"},   {'U', "House"},    {'F', "Funk"},   {'D', "Disco"},   {'P', "Pop"},
    {'8', "80s"},      {'N', "Natural"},  {'R', "Rock"},   {'J', "Jazz"},    {'O', "Oldie"},
    {'W', "World"},    {'X', "Effects"},  {'@', "Other"},
};

constexpr SubCategory kCymbalKinds[] = {
    {'H', "China"},  {'R', "Ride"},  {'G', "Gong"},    {'E', "Ethnic"}, {'C', "Crash"},
    {'S', "Splash"}, {'M', "March"}, {'X', "Effects"}, {'@', "Other"},
};

constexpr SubCategory kPercussionKinds[] = {
    {'L', "Bell"},   {'K', "Block"},   {'B', "Bongo"},    {'J', "Chime"},   {'C', "Clap"},
    {'V', "Clave"},  {'O', "Conga"},   {'I', "Cuica"},    {'X', "Effects"}, {'E', "Ethnic"},
    {'G', "Guiro"},  {'H', "Human"},   {'Y', "Industry"}, {'M', "Marimba"}, {'R', "Scratch"},
    {'S', "Shaker"}, {'T', "Timbale"}, {'N', "Triangle"}, {'W', "Whistle"}, {'@', "Other"},
};

constexpr SubCategory kAnalogueSynthKinds[] = {
    {'S', "Synth-Bass"}, {'B', "Bass"},    {'Q', "Sequencer"}, {'U', "Plug"},       {'A', "Attack"},
    {'R', "Release"},    {'L', "Lead"},    {'P', "Pad"},       {'G', "String"},     {'F', "Brass"},
    {'V', "Voice"},      {'O', "Organ"},   {'W', "Wind"},      {'C', "Percussive"}, {'E', "Ethnic"},
    {'T', "Texture"},    {'X', "Effects"}, {'M', "Multi"},     {'N', "FB-Loop"},    {'I', "Ext-In"},
    {'@', "Other"},
};

constexpr SubCategory kDigitalSynthKinds[] = {
    {'S', "Synth-Bass"}, {'B', "Bass"},    {'Q', "Sequencer"}, {'U', "Plug"},   {'A', "Attack"},
    {'R', "Release"},    {'L', "Lead"},    {'P', "Pad"},       {'G', "String"}, {'F', "Brass"},
    {'V', "Voice"},      {'O', "Organ"},   {'W', "Wind"},      {'I', "Piano"},  {'C', "Percussive"},
    {'E', "Ethnic"},     {'T', "Texture"}, {'X', "Effects"},   {'@', "Other"},
};

constexpr MainCategory kMainCategories[] = {
    {'K', "Kick", kStyles},
    {'S', "Snare", kStyles},
    {'H', "HiHat", kStyles},
    {'O', "Tom", kStyles},
    {'Y', "Cymbal", kCymbalKinds},
    {'P', "Percussion", kPercussionKinds},
    {'d', "Drum-Loop", kStyles},
    {'p', "Perc-Loop", kStyles},
    {'t', "Tonal-Loop", kStyles},
    {'x', "FX-Loop", {}},
    {'A', "A-Synth", kAnalogueSynthKinds},
    {'D', "D-Synth", kDigitalSynthKinds},
};

std::vector<CategoryMenuEntry> BuildMenu() {
  std::vector<CategoryMenuEntry> menu;
  menu.push_back({CategoryMenuEntry::Item, "Other", kCategoryOther});
  for (const MainCategory& main : kMainCategories) {
    if (main.subCategories.empty()) {
      menu.push_back({CategoryMenuEntry::Item, main.name, MakeCategoryCode(main.letter, '@')});
      continue;
    }
    menu.push_back({CategoryMenuEntry::SubMenuBegin, main.name, 0});
    for (const SubCategory& sub : main.subCategories)
      menu.push_back(
          {CategoryMenuEntry::Item, sub.name, MakeCategoryCode(main.letter, sub.letter)});
    menu.push_back({CategoryMenuEntry::SubMenuEnd, {}, 0});
  }
  return menu;
}

}  // namespace

std::span<const MainCategory> CategoryTable() {
  return kMainCategories;
}

std::string CategoryText(std::uint32_t code) {
  const auto value = static_cast<CategoryCode>(code);
  if (value == 0) return "(None)";
  const char mainLetter = static_cast<char>(value >> 8);
  const char subLetter = static_cast<char>(value & 0xFF);
  for (const MainCategory& main : kMainCategories) {
    if (main.letter != mainLetter) continue;
    for (const SubCategory& sub : main.subCategories) {
      if (sub.letter == subLetter) {
        std::string text = "[";
        text += mainLetter;
        text += subLetter;
        text += "] ";
        text += sub.name;
        text += ' ';
        text += main.name;
        return text;
      }
    }
    std::string text = "[";
    text += mainLetter;
    text += "*] ";
    text += main.name;
    return text;
  }
  return "(unknown)";
}

std::span<const CategoryMenuEntry> CategoryMenu() {
  static const std::vector<CategoryMenuEntry> menu = BuildMenu();
  return menu;
}

}  // namespace tolvane
