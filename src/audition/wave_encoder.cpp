#include "audition/wave_encoder.h"

#include "base/bytes.h"

namespace tolvane {

std::optional<std::vector<std::byte>> EncodeWave16(std::span<const std::int16_t> interleaved,
                                                   std::uint16_t channels,
                                                   std::uint32_t sampleRate) {
  constexpr std::size_t kHeader = 44;
  const std::uint64_t dataBytes = std::uint64_t{interleaved.size()} * 2;
  if (channels == 0 || dataBytes > 0xFFFFFFFFULL - kHeader) return std::nullopt;
  std::vector<std::byte> bytes(kHeader + dataBytes);
  std::byte* p = bytes.data();
  const std::uint32_t blockAlign = 2U * channels;
  StoreU32(p, FourCC("RIFF"));
  StoreU32(p + 4, static_cast<std::uint32_t>(bytes.size() - 8));
  StoreU32(p + 8, FourCC("WAVE"));
  StoreU32(p + 12, FourCC("fmt "));
  StoreU32(p + 16, 16);
  StoreU16(p + 20, 1);  // integer PCM
  StoreU16(p + 22, channels);
  StoreU32(p + 24, sampleRate);
  StoreU32(p + 28, sampleRate * blockAlign);
  StoreU16(p + 32, static_cast<std::uint16_t>(blockAlign));
  StoreU16(p + 34, 16);
  StoreU32(p + 36, FourCC("data"));
  StoreU32(p + 40, static_cast<std::uint32_t>(dataBytes));
  for (std::size_t i = 0; i < interleaved.size(); ++i)
    StoreU16(p + kHeader + 2 * i, static_cast<std::uint16_t>(interleaved[i]));
  return bytes;
}

}  // namespace tolvane
