#include "cli/note_names.h"

#include <charconv>
#include <system_error>

namespace tolvane::cli {
namespace {

// The semitone of a note letter within its octave, C = 0.
std::optional<int> Semitone(char letter) {
  switch (letter | 0x20) {
    case 'c':
      return 0;
    case 'd':
      return 2;
    case 'e':
      return 4;
    case 'f':
      return 5;
    case 'g':
      return 7;
    case 'a':
      return 9;
    case 'b':
      return 11;
    default:
      return std::nullopt;
  }
}

std::optional<int> WholeNumber(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int> KeyNamed(std::string_view text) {
  std::optional<int> key = WholeNumber(text);
  if (!key && !text.empty()) {
    const std::optional<int> semitone = Semitone(text[0]);
    std::string_view rest = text.substr(1);
    int accidental = 0;
    if (!rest.empty() && (rest[0] == '#' || rest[0] == 'b')) {
      accidental = rest[0] == '#' ? 1 : -1;
      rest.remove_prefix(1);
    }
    const std::optional<int> octave = WholeNumber(rest);
    // Octaves far outside the keyboard would overflow before the range check.
    if (semitone && octave && *octave >= -2 && *octave <= 10)
      key = (*octave + 1) * 12 + *semitone + accidental;
  }
  if (!key || *key < 0 || *key > 127) return std::nullopt;
  return key;
}

}  // namespace tolvane::cli
