#pragma once
// Sound files for the sample file and SFZ tests: made by sox, with loop chunks added by hand
// where sox writes none (AIFF "MARK"/"INST", FLAC "riff" blocks holding a "smpl" chunk).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "riff_builder.h"

namespace tolvane::testing {

inline bool HaveSox() {
  return std::system("command -v sox >/dev/null 2>&1") == 0;
}

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Bytes out(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<std::byte>(text[i]);
  return out;
}

// Runs `sox -n OPTIONS PATH EFFECTS`; true when sox made the file.
inline bool Sox(const std::filesystem::path& path, const std::string& options,
                const std::string& effects) {
  const std::string command =
      "sox -n " + options + " '" + path.string() + "' " + effects + " 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

inline void PutBE16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::byte>(v >> 8));
  out.push_back(static_cast<std::byte>(v & 0xFF));
}
inline void PutBE32(Bytes& out, std::uint32_t v) {
  PutBE16(out, static_cast<std::uint16_t>(v >> 16));
  PutBE16(out, static_cast<std::uint16_t>(v & 0xFFFF));
}

// An AIFF file with a sustain loop between two markers and a base note, appended as "MARK" and
// "INST" chunks; the FORM size is made to fit.
inline Bytes WithAiffLoop(Bytes aiff, std::uint32_t loopStart, std::uint32_t loopEnd,
                          std::int8_t baseNote, std::int8_t detune) {
  Bytes mark;
  PutBE16(mark, 2);
  for (const auto& [id, position] : {std::pair{1, loopStart}, std::pair{2, loopEnd}}) {
    PutBE16(mark, static_cast<std::uint16_t>(id));
    PutBE32(mark, position);
    mark.push_back(std::byte{1});  // a one-letter name fills an even length with its count
    mark.push_back(std::byte{'m'});
  }
  Bytes inst = {static_cast<std::byte>(baseNote),
                static_cast<std::byte>(detune),
                std::byte{0},
                std::byte{127},
                std::byte{1},
                std::byte{127}};
  PutBE16(inst, 0);  // gain
  PutBE16(inst, 1);  // sustain loop: forward
  PutBE16(inst, 1);
  PutBE16(inst, 2);
  PutBE16(inst, 0);  // release loop: none
  PutBE16(inst, 0);
  PutBE16(inst, 0);
  for (const auto& [id, data] : {std::pair{"MARK", mark}, std::pair{"INST", inst}}) {
    PutText(aiff, id);
    PutBE32(aiff, static_cast<std::uint32_t>(data.size()));
    aiff.insert(aiff.end(), data.begin(), data.end());
  }
  const auto size = static_cast<std::uint32_t>(aiff.size() - 8);
  Bytes be;
  PutBE32(be, size);
  std::copy(be.begin(), be.end(), aiff.begin() + 4);
  return aiff;
}

// A FLAC file with an APPLICATION block of id "riff" holding `chunk` (a whole RIFF chunk) put
// right after its STREAMINFO block.
inline Bytes WithFlacRiffBlock(const Bytes& flac, const Bytes& chunk) {
  constexpr std::size_t kStreamInfoEnd = 4 + 4 + 34;
  Bytes out(flac.begin(), flac.begin() + kStreamInfoEnd);
  const bool streamInfoLast = (std::to_integer<unsigned>(out[4]) & 0x80) != 0;
  out[4] &= std::byte{0x7F};
  const auto size = static_cast<std::uint32_t>(4 + chunk.size());
  out.push_back(std::byte{static_cast<unsigned char>(streamInfoLast ? 0x82 : 0x02)});
  out.push_back(static_cast<std::byte>(size >> 16));
  out.push_back(static_cast<std::byte>((size >> 8) & 0xFF));
  out.push_back(static_cast<std::byte>(size & 0xFF));
  PutText(out, "riff");
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), flac.begin() + kStreamInfoEnd, flac.end());
  return out;
}

}  // namespace tolvane::testing
