#pragma once
// Builds RIFF files byte by byte for the importer tests.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "base/bytes.h"
#include "tests/support/test_folder.h"

namespace tolvane::testing {

using Bytes = std::vector<std::byte>;

inline void PutU16(Bytes& out, std::uint16_t v) {
  ByteWriter(out).U16(v);
}
inline void PutU32(Bytes& out, std::uint32_t v) {
  ByteWriter(out).U32(v);
}
inline void PutText(Bytes& out, std::string_view text) {
  ByteWriter(out).Text(text);
}

inline Bytes ValuesLE16(std::initializer_list<int> values) {
  Bytes out;
  for (const int v : values) PutU16(out, static_cast<std::uint16_t>(v));
  return out;
}

inline Bytes Raw(std::initializer_list<int> values) {
  Bytes out;
  for (const int v : values) out.push_back(static_cast<std::byte>(v));
  return out;
}

// One chunk: header, data and, for an odd size, the pad byte unless `pad` is false.
// `declaredSize` replaces the size field when given.
inline Bytes Chunk(std::string_view id, const Bytes& data, bool pad = true,
                   std::int64_t declaredSize = -1) {
  Bytes out;
  PutText(out, id);
  PutU32(out, declaredSize >= 0 ? static_cast<std::uint32_t>(declaredSize)
                                : static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (pad && data.size() % 2 == 1) out.push_back(std::byte{0});
  return out;
}

// "RIFF", the size of everything that follows it, the form type, then the chunks.
inline Bytes Riff(std::string_view form, std::initializer_list<Bytes> chunks) {
  Bytes body;
  PutText(body, form);
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes out;
  PutText(out, "RIFF");
  PutU32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline Bytes FormatChunk(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                         std::size_t size = 16, std::uint16_t tag = 1 /* PCM */) {
  Bytes data;
  PutU16(data, tag);
  PutU16(data, channels);
  PutU32(data, rate);
  const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels) * (bits / 8);
  PutU32(data, rate * blockAlign);
  PutU16(data, static_cast<std::uint16_t>(blockAlign));
  PutU16(data, bits);
  data.resize(size, std::byte{0});
  return Chunk("fmt ", data);
}

// A "smpl" chunk of `size` bytes (at least 52) with one loop record.
inline Bytes SamplerChunk(std::uint32_t unityNote, std::uint32_t pitchFraction,
                          std::uint32_t loopCount, std::uint32_t loopStart, std::uint32_t loopEnd,
                          std::size_t size = 60) {
  Bytes data;
  PutU32(data, 0);      // manufacturer
  PutU32(data, 0);      // product
  PutU32(data, 22675);  // sample period
  PutU32(data, unityNote);
  PutU32(data, pitchFraction);
  PutU32(data, 0);  // SMPTE format
  PutU32(data, 0);  // SMPTE offset
  PutU32(data, loopCount);
  PutU32(data, 0);  // sampler data
  PutU32(data, 0);  // loop: cue point id
  PutU32(data, 0);  // loop: type
  PutU32(data, loopStart);
  PutU32(data, loopEnd);
  data.resize(size, std::byte{0});
  return Chunk("smpl", data);
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Import tests name their folders themselves.
using TempFolder = TestFolder;

}  // namespace tolvane::testing
