#include "import/sample_folder/sample_name.h"

#include <array>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tolvane {
namespace {

// One word of a name and the separators before it.
struct Token {
  std::string_view before;
  std::string_view text;
  bool used = false;
};

bool IsSeparator(char c) {
  return c == '_' || c == '-' || c == ' ' || c == '.';
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  return true;
}

std::optional<int> NumberOf(std::string_view text) {
  int value = 0;
  if (!AllDigits(text) || text.size() > 4) return std::nullopt;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The accidental at the start of `rest` (# b ♯ ♭), its semitones and length.
std::pair<int, std::size_t> Accidental(std::string_view rest) {
  if (rest.starts_with('#')) return {1, 1};
  if (rest.starts_with('b')) return {-1, 1};
  if (rest.starts_with("\xE2\x99\xAF")) return {1, 3};   // ♯
  if (rest.starts_with("\xE2\x99\xAD")) return {-1, 3};  // ♭
  return {0, 0};
}

constexpr std::array kLetterSemitones = {9, 11, 0, 2, 4, 5, 7};  // a .. g

// A letter with its accidental and nothing after: what a note is before its octave.
std::optional<NoteName> NotePrefix(std::string_view lower) {
  if (lower.empty() || lower[0] < 'a' || lower[0] > 'g') return std::nullopt;
  const auto [shift, length] = Accidental(lower.substr(1));
  if (1 + length != lower.size()) return std::nullopt;
  return NoteName{kLetterSemitones[static_cast<std::size_t>(lower[0] - 'a')] + shift, 0};
}

std::optional<NoteName> ParseNote(std::string_view lower) {
  if (lower.empty() || lower[0] < 'a' || lower[0] > 'g') return std::nullopt;
  // "bb4" is B-flat 4 and "b4" is B4: an accidental is one only when an octave follows it.
  for (const std::size_t split : {std::size_t{4}, std::size_t{2}, std::size_t{1}}) {
    if (split > lower.size()) continue;
    const auto prefix = NotePrefix(lower.substr(0, split));
    if (!prefix) continue;
    std::string_view octave = lower.substr(split);
    const bool negative = octave.starts_with('-');
    if (negative) octave.remove_prefix(1);
    if (octave.size() != 1 || !AllDigits(octave)) continue;
    const int number = (negative ? -1 : 1) * (octave[0] - '0');
    if (number < -2) continue;
    return NoteName{prefix->semitone, number};
  }
  return std::nullopt;
}

// The number after one of `prefixes` that fills the rest of `lower`.
std::optional<int> Numbered(std::string_view lower,
                            std::initializer_list<std::string_view> prefixes) {
  for (const std::string_view prefix : prefixes) {
    if (lower.size() > prefix.size() && lower.starts_with(prefix)) {
      if (const auto number = NumberOf(lower.substr(prefix.size()))) return number;
    }
  }
  return std::nullopt;
}

std::optional<SampleLayer> ParseLayer(std::string_view lower) {
  if (const auto n = Numbered(lower, {"vel", "vl", "v", "layer", "level"}))
    return SampleLayer{LayerKind::Number, *n};
  static constexpr std::array<std::pair<std::string_view, int>, 12> kDynamics = {{
      {"ppp", 0},
      {"pp", 1},
      {"p", 2},
      {"mp", 3},
      {"mf", 4},
      {"f", 5},
      {"ff", 6},
      {"fff", 7},
      {"soft", 1},
      {"med", 4},
      {"medium", 4},
      {"hard", 6},
  }};
  for (const auto& [word, rank] : kDynamics)
    if (lower == word) return SampleLayer{LayerKind::Dynamic, rank};
  return std::nullopt;
}

std::vector<Token> Tokenise(std::string_view name) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < name.size()) {
    const std::size_t separators = i;
    while (i < name.size() && IsSeparator(name[i])) ++i;
    const std::size_t start = i;
    while (i < name.size()) {
      if (IsSeparator(name[i])) {
        // C-1: a minus between a note letter and a digit is the octave's sign.
        const bool octaveSign = name[i] == '-' && i + 1 < name.size() &&
                                std::isdigit(static_cast<unsigned char>(name[i + 1])) != 0 &&
                                NotePrefix(Lower(name.substr(start, i - start))).has_value();
        if (!octaveSign) break;
      }
      ++i;
    }
    if (i > start)
      tokens.push_back(
          {name.substr(separators, start - separators), name.substr(start, i - start)});
  }
  return tokens;
}

}  // namespace

std::optional<int> NoteKey(NoteName note, MiddleC middleC) {
  const int k = middleC == MiddleC::C3 ? 2 : 1;
  const int key = 12 * (note.octave + k) + note.semitone;
  if (key < 0 || key > 127) return std::nullopt;
  return key;
}

std::optional<MiddleC> ConventionOf(NoteName note, int key) {
  for (const MiddleC convention : {MiddleC::C3, MiddleC::C4})
    if (NoteKey(note, convention) == key) return convention;
  return std::nullopt;
}

SampleName SampleName::Parse(std::string_view name) {
  std::vector<Token> tokens = Tokenise(name);
  SampleName parsed;
  Token* number = nullptr;
  for (Token& token : tokens) {
    const std::string lower = Lower(token.text);
    if (!parsed.note) {
      if (const auto note = ParseNote(lower)) {
        parsed.note = note;
        token.used = true;
        continue;
      }
    }
    if (number == nullptr && AllDigits(lower) && lower.size() >= 2 && lower.size() <= 3) {
      if (NumberOf(lower).value_or(128) <= 127) {
        number = &token;
        continue;
      }
    }
    if (!parsed.layer) {
      if (const auto layer = ParseLayer(lower)) {
        parsed.layer = layer;
        token.used = true;
        continue;
      }
    }
    if (!parsed.roundRobin) {
      if (const auto n = Numbered(lower, {"rr", "r", "seq", "alt"})) {
        parsed.roundRobin = n;
        token.used = true;
        continue;
      }
    }
    if (parsed.channel == SampleChannel::None) {
      const bool left = lower == "l" || lower == "left";
      const bool right = lower == "r" || lower == "right";
      if (left || right) {
        parsed.channel = left ? SampleChannel::Left : SampleChannel::Right;
        parsed.channelToken = std::string(token.before) + std::string(token.text);
        token.used = true;
        continue;
      }
    }
  }
  if (number != nullptr) {
    const int key = NumberOf(number->text).value_or(0);
    if (!parsed.note || ConventionOf(*parsed.note, key)) {
      parsed.midiNumber = key;
      number->used = true;
    }
  }
  for (const Token& token : tokens) {
    if (token.used) continue;
    if (!parsed.stem.empty()) parsed.stem += token.before;
    parsed.stem += token.text;
  }
  return parsed;
}

std::optional<int> SampleName::Key(MiddleC middleC) const {
  if (midiNumber) return midiNumber;
  if (note) return NoteKey(*note, middleC);
  return std::nullopt;
}

}  // namespace tolvane
