#include "library/category_suggestions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "library/category.h"

namespace tolvane {
namespace {

constexpr CategoryCode Code(char main, char sub) {
  return MakeCategoryCode(main, sub);
}

// What a word says, strongest first: a drum or percussion sound outweighs the instrument words
// around it ("Orch BassDrum" is a kick), and among instruments the more particular word wins
// ("Bass Lead" is a lead, "Synth Strings" strings).
enum class Rank { Drum, Percussion, Effect, Tonal, Guitar };

struct Word {
  std::string_view first;
  std::string_view second;  // empty: a word alone
  CategoryCode code;
  Rank rank;
};

// Drum words of the languages sample names commonly use, and the instruments' own names.
constexpr Word kWords[] = {
    {"bass", "drum", Code('K', '@'), Rank::Drum},
    {"bass", "drm", Code('K', '@'), Rank::Drum},
    {"grosse", "caisse", Code('K', '@'), Rank::Drum},
    {"caisse", "claire", Code('S', '@'), Rank::Drum},
    {"kleine", "trommel", Code('S', '@'), Rank::Drum},
    {"hi", "hat", Code('H', '@'), Rank::Drum},
    {"hi", "hats", Code('H', '@'), Rank::Drum},
    {"side", "stick", Code('S', '@'), Rank::Drum},
    {"english", "horn", Code('D', 'W'), Rank::Tonal},
    {"music", "box", Code('D', 'C'), Rank::Tonal},
    {"steel", "drum", Code('D', 'C'), Rank::Tonal},
    {"finger", "snap", Code('P', 'H'), Rank::Percussion},
    {"kick", {}, Code('K', '@'), Rank::Drum},
    {"kik", {}, Code('K', '@'), Rank::Drum},
    {"bd", {}, Code('K', '@'), Rank::Drum},
    {"bassdrum", {}, Code('K', '@'), Rank::Drum},
    {"bombo", {}, Code('K', '@'), Rank::Drum},
    {"cassa", {}, Code('K', '@'), Rank::Drum},
    {"snare", {}, Code('S', '@'), Rank::Drum},
    {"snr", {}, Code('S', '@'), Rank::Drum},
    {"sd", {}, Code('S', '@'), Rank::Drum},
    {"rim", {}, Code('S', '@'), Rank::Drum},
    {"rimshot", {}, Code('S', '@'), Rank::Drum},
    {"sidestick", {}, Code('S', '@'), Rank::Drum},
    {"caja", {}, Code('S', '@'), Rank::Drum},
    {"rullante", {}, Code('S', '@'), Rank::Drum},
    {"redoblante", {}, Code('S', '@'), Rank::Drum},
    {"hat", {}, Code('H', '@'), Rank::Drum},
    {"hihat", {}, Code('H', '@'), Rank::Drum},
    {"hh", {}, Code('H', '@'), Rank::Drum},
    {"charleston", {}, Code('H', '@'), Rank::Drum},
    {"tom", {}, Code('O', '@'), Rank::Drum},
    {"crash", {}, Code('Y', 'C'), Rank::Drum},
    {"ride", {}, Code('Y', 'R'), Rank::Drum},
    {"china", {}, Code('Y', 'H'), Rank::Drum},
    {"splash", {}, Code('Y', 'S'), Rank::Drum},
    {"gong", {}, Code('Y', 'G'), Rank::Drum},
    {"cymbal", {}, Code('Y', '@'), Rank::Drum},
    {"cym", {}, Code('Y', '@'), Rank::Drum},
    {"cymbale", {}, Code('Y', '@'), Rank::Drum},
    {"becken", {}, Code('Y', '@'), Rank::Drum},
    {"piatto", {}, Code('Y', '@'), Rank::Drum},
    {"platillo", {}, Code('Y', '@'), Rank::Drum},
    {"clap", {}, Code('P', 'C'), Rank::Percussion},
    {"shaker", {}, Code('P', 'S'), Rank::Percussion},
    {"maraca", {}, Code('P', 'S'), Rank::Percussion},
    {"cabasa", {}, Code('P', 'S'), Rank::Percussion},
    {"conga", {}, Code('P', 'O'), Rank::Percussion},
    {"bongo", {}, Code('P', 'B'), Rank::Percussion},
    {"cowbell", {}, Code('P', 'L'), Rank::Percussion},
    {"agogo", {}, Code('P', 'L'), Rank::Percussion},
    {"bell", {}, Code('P', 'L'), Rank::Percussion},
    {"clave", {}, Code('P', 'V'), Rank::Percussion},
    {"triangle", {}, Code('P', 'N'), Rank::Percussion},
    {"woodblock", {}, Code('P', 'K'), Rank::Percussion},
    {"block", {}, Code('P', 'K'), Rank::Percussion},
    {"guiro", {}, Code('P', 'G'), Rank::Percussion},
    {"timbale", {}, Code('P', 'T'), Rank::Percussion},
    {"cuica", {}, Code('P', 'I'), Rank::Percussion},
    {"whistle", {}, Code('P', 'W'), Rank::Percussion},
    {"scratch", {}, Code('P', 'R'), Rank::Percussion},
    {"marimba", {}, Code('P', 'M'), Rank::Percussion},
    {"djembe", {}, Code('P', 'E'), Rank::Percussion},
    {"cajon", {}, Code('P', 'E'), Rank::Percussion},
    {"tabla", {}, Code('P', 'E'), Rank::Percussion},
    {"darbuka", {}, Code('P', 'E'), Rank::Percussion},
    {"taiko", {}, Code('P', 'E'), Rank::Percussion},
    {"tambourine", {}, Code('P', '@'), Rank::Percussion},
    {"tamb", {}, Code('P', '@'), Rank::Percussion},
    {"castanet", {}, Code('P', '@'), Rank::Percussion},
    {"perc", {}, Code('P', '@'), Rank::Percussion},
    {"kit", {}, Code('P', '@'), Rank::Percussion},
    {"drumkit", {}, Code('P', '@'), Rank::Percussion},
    {"percussion", {}, Code('P', '@'), Rank::Percussion},
    {"drum", {}, Code('P', '@'), Rank::Percussion},
    {"fx", {}, Code('D', 'X'), Rank::Effect},
    {"sfx", {}, Code('D', 'X'), Rank::Effect},
    {"effect", {}, Code('D', 'X'), Rank::Effect},
    {"noise", {}, Code('D', 'X'), Rank::Effect},
    {"applause", {}, Code('D', 'X'), Rank::Effect},
    {"helicopter", {}, Code('D', 'X'), Rank::Effect},
    {"gun", {}, Code('D', 'X'), Rank::Effect},
    {"gunshot", {}, Code('D', 'X'), Rank::Effect},
    {"telephone", {}, Code('D', 'X'), Rank::Effect},
    {"bird", {}, Code('D', 'X'), Rank::Effect},
    {"lead", {}, Code('D', 'L'), Rank::Tonal},
    {"pad", {}, Code('D', 'P'), Rank::Tonal},
    {"choir", {}, Code('D', 'V'), Rank::Tonal},
    {"voice", {}, Code('D', 'V'), Rank::Tonal},
    {"vox", {}, Code('D', 'V'), Rank::Tonal},
    {"vocal", {}, Code('D', 'V'), Rank::Tonal},
    {"aah", {}, Code('D', 'V'), Rank::Tonal},
    {"ahh", {}, Code('D', 'V'), Rank::Tonal},
    {"ooh", {}, Code('D', 'V'), Rank::Tonal},
    {"ohh", {}, Code('D', 'V'), Rank::Tonal},
    {"brass", {}, Code('D', 'F'), Rank::Tonal},
    {"trumpet", {}, Code('D', 'F'), Rank::Tonal},
    {"trombone", {}, Code('D', 'F'), Rank::Tonal},
    {"tuba", {}, Code('D', 'F'), Rank::Tonal},
    {"horn", {}, Code('D', 'F'), Rank::Tonal},
    {"sax", {}, Code('D', 'W'), Rank::Tonal},
    {"saxophone", {}, Code('D', 'W'), Rank::Tonal},
    {"clarinet", {}, Code('D', 'W'), Rank::Tonal},
    {"oboe", {}, Code('D', 'W'), Rank::Tonal},
    {"bassoon", {}, Code('D', 'W'), Rank::Tonal},
    {"flute", {}, Code('D', 'W'), Rank::Tonal},
    {"piccolo", {}, Code('D', 'W'), Rank::Tonal},
    {"recorder", {}, Code('D', 'W'), Rank::Tonal},
    {"ocarina", {}, Code('D', 'W'), Rank::Tonal},
    {"harmonica", {}, Code('D', 'W'), Rank::Tonal},
    {"bagpipe", {}, Code('D', 'W'), Rank::Tonal},
    {"pipe", {}, Code('D', 'W'), Rank::Tonal},
    {"baritone", {}, Code('D', 'W'), Rank::Tonal},
    {"shakuhachi", {}, Code('D', 'W'), Rank::Tonal},
    {"string", {}, Code('D', 'G'), Rank::Tonal},
    {"violin", {}, Code('D', 'G'), Rank::Tonal},
    {"viola", {}, Code('D', 'G'), Rank::Tonal},
    {"cello", {}, Code('D', 'G'), Rank::Tonal},
    {"contrabass", {}, Code('D', 'G'), Rank::Tonal},
    {"fiddle", {}, Code('D', 'G'), Rank::Tonal},
    {"pizzicato", {}, Code('D', 'G'), Rank::Tonal},
    {"orchestra", {}, Code('D', 'G'), Rank::Tonal},
    {"harp", {}, Code('D', 'G'), Rank::Tonal},
    {"organ", {}, Code('D', 'O'), Rank::Tonal},
    {"accordion", {}, Code('D', 'O'), Rank::Tonal},
    {"accordian", {}, Code('D', 'O'), Rank::Tonal},
    {"harmonium", {}, Code('D', 'O'), Rank::Tonal},
    {"piano", {}, Code('D', 'I'), Rank::Tonal},
    {"grand", {}, Code('D', 'I'), Rank::Tonal},
    {"grnd", {}, Code('D', 'I'), Rank::Tonal},
    {"ep", {}, Code('D', 'I'), Rank::Tonal},
    {"rhodes", {}, Code('D', 'I'), Rank::Tonal},
    {"wurlitzer", {}, Code('D', 'I'), Rank::Tonal},
    {"clavinet", {}, Code('D', 'I'), Rank::Tonal},
    {"harpsichord", {}, Code('D', 'I'), Rank::Tonal},
    {"honky", {}, Code('D', 'I'), Rank::Tonal},
    {"bass", {}, Code('D', 'B'), Rank::Tonal},
    {"sitar", {}, Code('D', 'E'), Rank::Tonal},
    {"koto", {}, Code('D', 'E'), Rank::Tonal},
    {"shamisen", {}, Code('D', 'E'), Rank::Tonal},
    {"kalimba", {}, Code('D', 'E'), Rank::Tonal},
    {"shenai", {}, Code('D', 'E'), Rank::Tonal},
    {"banjo", {}, Code('D', 'E'), Rank::Tonal},
    {"celesta", {}, Code('D', 'C'), Rank::Tonal},
    {"glockenspiel", {}, Code('D', 'C'), Rank::Tonal},
    {"vibraphone", {}, Code('D', 'C'), Rank::Tonal},
    {"xylophone", {}, Code('D', 'C'), Rank::Tonal},
    {"dulcimer", {}, Code('D', 'C'), Rank::Tonal},
    {"timpani", {}, Code('D', 'C'), Rank::Tonal},
    {"saw", {}, Code('D', 'L'), Rank::Tonal},
    {"square", {}, Code('D', 'L'), Rank::Tonal},
    {"sine", {}, Code('D', 'L'), Rank::Tonal},
    {"pulse", {}, Code('D', 'L'), Rank::Tonal},
    {"guitar", {}, Code('D', '@'), Rank::Guitar},
    {"gtr", {}, Code('D', '@'), Rank::Guitar},
};

// The General MIDI families, eight programs each, as the D-Synth kinds that hold them; families
// without a kind of their own (guitars) are its "Other".
constexpr std::array<CategoryCode, 16> kGeneralMidiFamilies = {
    Code('D', 'I'), Code('D', 'C'), Code('D', 'O'), Code('D', '@'), Code('D', 'B'), Code('D', 'G'),
    Code('D', 'G'), Code('D', 'F'), Code('D', 'W'), Code('D', 'W'), Code('D', 'L'), Code('D', 'P'),
    Code('D', 'X'), Code('D', 'E'), Code('D', 'C'), Code('D', 'X'),
};

std::uint32_t GeneralMidiCategory(ProgramNumber program) {
  if (program.bank == 128 || program.program > 127) return 0;
  // Choir Aahs, Voice Oohs and Synth Voice sit among the ensembles.
  if (program.program >= 52 && program.program <= 54) return Code('D', 'V');
  return kGeneralMidiFamilies[program.program / 8];
}

// Lower-case words: split at anything not a letter or digit, between letters and digits, and
// where a capital starts a word ("OrchBassDrum", "BDLong", "Kick01").
std::vector<std::string> Words(std::string_view name) {
  std::vector<std::string> words;
  std::string word;
  const auto flush = [&] {
    if (!word.empty()) words.push_back(std::move(word));
    word.clear();
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c)) {
      flush();
      continue;
    }
    if (!word.empty()) {
      const auto previous = static_cast<unsigned char>(name[i - 1]);
      const bool next_lower =
          i + 1 < name.size() && std::islower(static_cast<unsigned char>(name[i + 1]));
      if ((std::isdigit(c) != 0) != (std::isdigit(previous) != 0) ||
          (std::isupper(c) && std::islower(previous)) ||
          (std::isupper(c) && std::isupper(previous) && next_lower))
        flush();
    }
    word += static_cast<char>(std::tolower(c));
  }
  flush();
  return words;
}

// The word as the table has it: plurals and a few spellings folded ("Snares", "Crashes").
bool Matches(std::string_view table, std::string_view word) {
  if (word == table) return true;
  if (word.size() == table.size() + 1 && word.back() == 's') return word.starts_with(table);
  if (word.size() == table.size() + 2 && word.ends_with("es")) return word.starts_with(table);
  return false;
}

bool IsLoopWord(std::string_view word) {
  return Matches("loop", word) || word == "breakbeat";
}

std::uint32_t LoopCategory(const Word& word) {
  if (word.rank == Rank::Drum || word.first == "drum") return Code('d', '@');
  if (word.rank == Rank::Percussion) return Code('p', '@');
  if (word.rank == Rank::Effect) return Code('x', '@');
  return Code('t', '@');
}

}  // namespace

std::uint32_t SuggestCategory(std::string_view name, std::optional<ProgramNumber> program) {
  if (program) {
    if (const std::uint32_t code = GeneralMidiCategory(*program)) return code;
  }
  const std::vector<std::string> words = Words(name);
  const Word* best = nullptr;
  bool loop = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    loop = loop || IsLoopWord(words[i]);
    for (const Word& entry : kWords) {
      const bool pair = !entry.second.empty();
      if (pair && (i + 1 >= words.size() || !Matches(entry.second, words[i + 1]))) continue;
      if (!Matches(entry.first, words[i])) continue;
      // Among drums the earlier word wins ("Crash/Ride Bell" is a crash); among instruments the
      // one the table holds first ("Bass Lead" is a lead).
      const bool tonal = entry.rank > Rank::Percussion;
      if (best == nullptr || entry.rank < best->rank ||
          (entry.rank == best->rank && tonal && &entry < best))
        best = &entry;
      break;
    }
  }
  // A drum kit is many sounds; its name says which kind only now and then.
  if (best == nullptr) return program && program->bank == 128 ? Code('P', '@') : 0;
  return loop ? LoopCategory(*best) : best->code;
}

bool AwaitsCategory(std::uint32_t category) {
  const auto code = static_cast<CategoryCode>(category);
  return code == 0 || code == kCategoryOther;
}

std::vector<CategoryChange> SuggestCategories(std::span<Instrument* const> instruments) {
  std::vector<CategoryChange> changes;
  for (Instrument* instrument : instruments) {
    if (instrument == nullptr || !AwaitsCategory(instrument->category)) continue;
    const std::string_view name =
        instrument->foundName.empty() ? instrument->name : instrument->foundName;
    const std::uint32_t suggested = SuggestCategory(name, instrument->program);
    if (suggested == 0) continue;
    changes.push_back({instrument, instrument->category, suggested});
    SetInstrumentCategory(*instrument, suggested);
  }
  return changes;
}

void UndoCategoryChanges(std::span<const CategoryChange> changes) {
  for (const CategoryChange& change : changes)
    SetInstrumentCategory(*change.instrument, change.before);
}

}  // namespace tolvane
