#pragma once
// EXS instruments written for the tests, in either byte order, from the layout of the format's
// chunks: an 84-byte header (type at byte 3, body size at 4, magic at 16, name at 20), then a body
// of the length that Logic's newer (or, with `oldSizes`, older) files give each chunk.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/import/riff_builder.h"

namespace tolvane::testing {

struct ExsZoneSpec {
  std::string name = "zone";
  std::uint8_t flags = 0;
  std::uint8_t root = 60;
  std::int8_t fine = 0;
  std::int8_t pan = 0;
  std::int8_t volume = 0;
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 127;
  std::uint8_t velLow = 0;
  std::uint8_t velHigh = 127;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t loopEnd = 0;
  std::uint8_t loopFlags = 0;
  std::uint8_t direction = 0;
  std::int8_t coarse = 0;
  std::int32_t group = -1;
  std::int32_t sample = -1;
};

struct ExsGroupSpec {
  std::string name = "group";
  std::int8_t volume = 0;
  std::int8_t pan = 0;
  std::uint8_t flags = 0;
  std::uint8_t velLow = 0;
  std::uint8_t velHigh = 0;
  std::uint8_t trigger = 0;
  std::int32_t linked = 0;  // what plain groups store
  std::uint8_t select = 0;
  std::uint8_t keyLow = 0;
  std::uint8_t keyHigh = 0;
};

struct ExsSampleSpec {
  std::string file{};    // in the body, or the header with `oldSizes`
  std::string folder{};  // the stored folder
  std::string url{};     // a reference chunk's file:// URL; none when empty
};

struct ExsContents {
  bool big = false;
  bool oldSizes = false;
  bool sizeBit15 = false;     // every size with bit 15 set, as some big-endian files have
  bool typeFlags = false;     // 0x40 on every type byte
  bool unknownChunk = false;  // a type 5 chunk after the zones
  std::vector<ExsZoneSpec> zones{};
  std::vector<ExsGroupSpec> groups{};
  std::vector<ExsSampleSpec> samples{};
  bool parameters = false;
  std::vector<std::pair<std::uint16_t, std::int16_t>> values{};  // ids above 0xFF extended
};

class ExsBody {
 public:
  ExsBody(std::size_t size, bool big) : bytes_(size), big_(big) {}
  void Put(std::size_t at, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t shift = 8 * (big_ ? width - 1 - i : i);
      bytes_[at + i] = static_cast<std::byte>((value >> shift) & 0xFF);
    }
  }
  void Text(std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) bytes_[at + i] = static_cast<std::byte>(text[i]);
  }
  Bytes& bytes() { return bytes_; }

 private:
  Bytes bytes_;
  bool big_;
};

inline std::uint32_t U(int value) {
  return static_cast<std::uint32_t>(value);
}

inline void PutExsChunk(Bytes& out, const ExsContents& contents, std::uint8_t type,
                        const std::string& name, Bytes body) {
  ExsBody header(84, contents.big);
  header.Put(0, contents.big ? 0 : 1, 1);
  header.Put(1, 1, 1);
  header.bytes()[3] = static_cast<std::byte>(type | (contents.typeFlags ? 0x40 : 0));
  header.Put(4, U(static_cast<int>(body.size())) | (contents.sizeBit15 ? 0x8000 : 0), 4);
  header.Put(16, 0x534F4254, 4);  // "SOBT" as a number in the file's order
  header.Text(20, name.substr(0, 63));
  out.insert(out.end(), header.bytes().begin(), header.bytes().end());
  out.insert(out.end(), body.begin(), body.end());
}

inline Bytes WriteExs(const ExsContents& contents) {
  Bytes out;
  ExsBody instrument(contents.oldSizes ? 40 : 88, contents.big);
  instrument.Put(4, U(static_cast<int>(contents.zones.size())), 4);
  instrument.Put(8, U(static_cast<int>(contents.groups.size())), 4);
  instrument.Put(12, U(static_cast<int>(contents.samples.size())), 4);
  instrument.Put(16, contents.parameters ? 1 : 0, 4);
  PutExsChunk(out, contents, 0, "(null)", instrument.bytes());
  for (const ExsZoneSpec& z : contents.zones) {
    ExsBody b(contents.oldSizes ? 104 : 148, contents.big);
    for (const auto& [at, value] :
         std::initializer_list<std::pair<std::size_t, int>>{{0, z.flags},
                                                            {1, z.root},
                                                            {2, z.fine},
                                                            {3, z.pan},
                                                            {4, z.volume},
                                                            {6, z.keyLow},
                                                            {7, z.keyHigh},
                                                            {9, z.velLow},
                                                            {10, z.velHigh},
                                                            {33, z.loopFlags},
                                                            {34, z.direction},
                                                            {80, z.coarse}})
      b.Put(at, U(value), 1);
    for (const auto& [at, value] :
         std::initializer_list<std::pair<std::size_t, std::uint32_t>>{{12, z.start},
                                                                      {16, z.end},
                                                                      {20, z.loopStart},
                                                                      {24, z.loopEnd},
                                                                      {88, U(z.group)},
                                                                      {92, U(z.sample)}})
      b.Put(at, value, 4);
    PutExsChunk(out, contents, 1, z.name, b.bytes());
  }
  if (contents.unknownChunk) PutExsChunk(out, contents, 5, "", Bytes(1372, std::byte{0x5A}));
  for (const ExsGroupSpec& g : contents.groups) {
    ExsBody b(contents.oldSizes ? 96 : 144, contents.big);
    for (const auto& [at, value] :
         std::initializer_list<std::pair<std::size_t, int>>{{0, g.volume},
                                                            {1, g.pan},
                                                            {3, g.flags},
                                                            {5, g.velLow},
                                                            {6, g.velHigh},
                                                            {73, g.trigger},
                                                            {84, g.select},
                                                            {88, g.keyLow},
                                                            {89, g.keyHigh}})
      b.Put(at, U(value), 1);
    b.Put(80, U(g.linked), 4);
    PutExsChunk(out, contents, 2, g.name, b.bytes());
  }
  for (const ExsSampleSpec& s : contents.samples) {
    ExsBody b(contents.oldSizes ? 336 : 600, contents.big);
    b.Put(4, 1000, 4);
    b.Put(8, 22050, 4);
    b.Put(12, 16, 4);
    b.Put(28, 0x57415645, 4);  // "WAVE"
    b.Text(80, s.folder);
    if (!contents.oldSizes) b.Text(336, s.file);
    PutExsChunk(out, contents, 3, contents.oldSizes ? s.file : "sample", b.bytes());
  }
  if (contents.parameters) {
    std::vector<std::pair<std::uint16_t, std::int16_t>> small, extended;
    for (const auto& value : contents.values)
      (value.first > 0xFF ? extended : small).push_back(value);
    ExsBody b(contents.oldSizes ? 304 : 388, contents.big);
    b.Put(0, 100, 4);
    for (std::size_t i = 0; i < small.size(); ++i) {
      b.Put(4 + i, small[i].first, 1);
      b.Put(104 + 2 * i, static_cast<std::uint16_t>(small[i].second), 2);
    }
    if (!contents.oldSizes) {
      b.Put(304, 20, 4);
      for (std::size_t i = 0; i < extended.size(); ++i) {
        b.Put(308 + 4 * i, extended[i].first, 2);
        b.Put(310 + 4 * i, static_cast<std::uint16_t>(extended[i].second), 2);
      }
    }
    PutExsChunk(out, contents, 4, "", b.bytes());
  }
  for (const ExsSampleSpec& s : contents.samples) {
    if (s.url.empty()) continue;
    // A binary property list holding the URL as an ASCII string object with a one-byte count.
    Bytes plist;
    PutText(plist, "bplist00");
    plist.push_back(std::byte{0xD3});
    plist.push_back(std::byte{0x5F});
    plist.push_back(std::byte{0x10});
    plist.push_back(static_cast<std::byte>(s.url.size()));
    PutText(plist, s.url);
    plist.push_back(std::byte{0x10});
    plist.push_back(std::byte{0x02});
    PutExsChunk(out, contents, 0x0B, "", plist);
  }
  return out;
}

}  // namespace tolvane::testing
