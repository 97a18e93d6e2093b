#pragma once
// The two text orders used throughout the model. Texts are 8-bit (Windows-1252 bytes); bytes
// compare as unsigned values and a prefix sorts first.

#include <cstddef>
#include <string_view>

namespace tolvane {

// Byte order: <0, 0 or >0.
inline int CompareBytes(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Only 'A'..'Z' fold; no locale, so '_' sorts before letters and 0x80..0xFF stay as they are.
constexpr unsigned char FoldAsciiCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Case-insensitive order: <0, 0 or >0.
inline int CompareCaseInsensitive(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char ca = FoldAsciiCase(static_cast<unsigned char>(a[i]));
    const unsigned char cb = FoldAsciiCase(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace tolvane
