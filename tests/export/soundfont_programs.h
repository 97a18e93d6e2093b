#pragma once
// Which instruments of a SoundFont bank its General MIDI melodic programs play (bank below 128,
// program below 112: not the percussive ones, the sound effects or the drum kits), read from
// the bank's preset records, which the importer leaves aside. For the tests on Debian's banks.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace tolvane::testing {

namespace soundfont_programs {

inline std::uint32_t U32(const std::vector<char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline std::uint16_t U16(const std::vector<char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

}  // namespace soundfont_programs

// The names of the instruments ("inst" records, as the bank spells them) that presets of banks
// 0..127 with programs 0..111 name; empty when the file cannot be read as a bank.
inline std::set<std::string> MelodicInstrumentNames(const std::string& path) {
  using soundfont_programs::U16;
  using soundfont_programs::U32;
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The top-level chunks after "RIFF....sfbk"; a compressed bank may leave odd sizes unpadded.
  std::size_t at = 12;
  std::size_t pdta = 0;
  std::size_t pdtaEnd = 0;
  while (at + 12 <= b.size()) {
    const std::size_t size = U32(b, at + 4);
    if (std::string(&b[at], 4) == "LIST" && std::string(&b[at + 8], 4) == "pdta") {
      pdta = at + 12;
      pdtaEnd = at + 8 + size;
      break;
    }
    at += 8 + size;
    if (size % 2 == 1 && at + 4 <= b.size() && std::string(&b[at], 4) != "LIST") ++at;
  }
  std::map<std::string, std::pair<std::size_t, std::size_t>> chunks;  // name -> at, size
  for (at = pdta; pdta != 0 && at + 8 <= pdtaEnd && at + 8 <= b.size();) {
    const std::size_t size = U32(b, at + 4);
    chunks[std::string(&b[at], 4)] = {at + 8, size};
    at += 8 + size + size % 2;
  }
  std::set<std::string> names;
  const auto [phdr, phdrSize] = chunks["phdr"];
  const auto [pbag, pbagSize] = chunks["pbag"];
  const auto [pgen, pgenSize] = chunks["pgen"];
  const auto [inst, instSize] = chunks["inst"];
  const std::size_t presets = phdrSize / 38;
  for (std::size_t p = 0; p + 1 < presets; ++p) {
    const std::size_t record = phdr + 38 * p;
    const std::uint16_t program = U16(b, record + 20);
    const std::uint16_t bank = U16(b, record + 22);
    if (bank >= 128 || program >= 112) continue;
    for (std::size_t bag = U16(b, record + 24); bag < U16(b, record + 38 + 24); ++bag) {
      if (4 * (bag + 1) >= pbagSize) break;
      for (std::size_t g = U16(b, pbag + 4 * bag); g < U16(b, pbag + 4 * (bag + 1)); ++g) {
        if (4 * g + 4 > pgenSize) break;
        if (U16(b, pgen + 4 * g) != 41) continue;  // the instrument generator
        const std::size_t i = U16(b, pgen + 4 * g + 2);
        if (22 * i + 22 > instSize) continue;
        const char* name = &b[inst + 22 * i];
        names.insert(std::string(name, strnlen(name, 20)));
      }
    }
  }
  return names;
}

}  // namespace tolvane::testing
