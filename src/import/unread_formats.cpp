#include "import/unread_formats.h"

#include <algorithm>
#include <cstdint>

namespace tolvane {
namespace {

// How far into a file an MPC program's root element is looked for: past an XML declaration,
// a byte order mark and comments.
constexpr std::size_t kMpcProgramProlog = 4096;

std::uint8_t Byte(std::span<const std::byte> bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

}  // namespace

bool LooksLikeMpegAudio(std::span<const std::byte> bytes) {
  if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || (Byte(bytes, 1) & 0xE0) != 0xE0) return false;
  const unsigned version = (Byte(bytes, 1) >> 3) & 3;     // 1 is reserved
  const unsigned layer = (Byte(bytes, 1) >> 1) & 3;       // 0 is reserved (and AAC's ADTS)
  const unsigned bitRate = Byte(bytes, 2) >> 4;           // 15 is invalid
  const unsigned sampleRate = (Byte(bytes, 2) >> 2) & 3;  // 3 is reserved
  return version != 1 && layer != 0 && bitRate != 15 && sampleRate != 3;
}

bool LooksLikeMpcProgram(std::span<const std::byte> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                              std::min(bytes.size(), kMpcProgramProlog));
  return text.find("<MPCVObject") != std::string_view::npos;
}

}  // namespace tolvane
