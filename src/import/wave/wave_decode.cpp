#include "import/wave/wave_decode.h"

#include <bit>
#include <cmath>

#include "base/bytes.h"
#include "base/fresh_memory.h"

namespace tolvane {
namespace {

constexpr std::uint8_t kSignBit = 0x80;
constexpr std::uint8_t kQuantMask = 0x0F;
constexpr std::uint8_t kSegmentMask = 0x70;
constexpr int kSegmentShift = 4;
constexpr std::uint8_t kALawToggle = 0x55;  // even bits are inverted on the line
constexpr int kMuLawBias = 0x84;

std::int16_t Pcm8(const std::byte* p) {
  return static_cast<std::int16_t>((std::to_integer<int>(p[0]) - 128) * 256);
}
// The two most significant bytes of a little-endian value `width` bytes wide.
template <std::size_t width>
std::int16_t PcmTop16(const std::byte* p) {
  return static_cast<std::int16_t>(LoadU16(p + width - 2));
}
std::int16_t Float32(const std::byte* p) {
  return FloatToInt16(std::bit_cast<float>(LoadU32(p)));
}
std::int16_t Float64(const std::byte* p) {
  return FloatToInt16(std::bit_cast<double>(LoadU64(p)));
}
std::int16_t ALaw(const std::byte* p) {
  return ALawToLinear(std::to_integer<std::uint8_t>(p[0]));
}
std::int16_t MuLaw(const std::byte* p) {
  return MuLawToLinear(std::to_integer<std::uint8_t>(p[0]));
}

}  // namespace

WaveDecoder DecoderFor(const WaveFormat& format) {
  switch (format.encoding) {
    case WaveEncoding::Float:
      return format.bitsPerSample == 64 ? &Float64 : &Float32;
    case WaveEncoding::ALaw:
      return &ALaw;
    case WaveEncoding::MuLaw:
      return &MuLaw;
    case WaveEncoding::Pcm:
      break;
  }
  switch (format.bytesPerValue()) {
    case 1:
      return &Pcm8;
    case 2:
      return &PcmTop16<2>;
    case 3:
      return &PcmTop16<3>;
    case 4:
      return &PcmTop16<4>;
    case 5:
      return &PcmTop16<5>;
    case 6:
      return &PcmTop16<6>;
    case 7:
      return &PcmTop16<7>;
    default:  // ReadWaveRecords takes at most 64 bits
      return &PcmTop16<kWaveMostValueBytes>;
  }
}

std::vector<std::int16_t> DecodeWaveValues(std::span<const std::byte> data,
                                           const WaveFormat& format, std::size_t frames) {
  const WaveDecoder decode = DecoderFor(format);
  const std::size_t width = format.bytesPerValue();
  // Reserved, not resized: values are written once, never zeroed first, into pages faulted in
  // with one call.
  const std::size_t count = frames * format.channels;
  std::vector<std::int16_t> values;
  values.reserve(count);
  PrefaultForWriting(values.data(), count * sizeof(std::int16_t));
  for (std::size_t i = 0; i < count; ++i) values.push_back(decode(data.data() + i * width));
  return values;
}

std::int16_t FloatToInt16(double value) {
  if (std::isnan(value)) return 0;
  const double scaled = value * 32768.0;
  if (scaled >= 32767.0) return 32767;
  if (scaled <= -32768.0) return -32768;
  return static_cast<std::int16_t>(std::lround(scaled));
}

std::int16_t ALawToLinear(std::uint8_t code) {
  const int a = code ^ kALawToggle;
  int magnitude = (a & kQuantMask) << 4;
  const int segment = (a & kSegmentMask) >> kSegmentShift;
  if (segment == 0) {
    magnitude += 8;
  } else {
    magnitude += 0x108;
    if (segment > 1) magnitude <<= segment - 1;
  }
  return static_cast<std::int16_t>((a & kSignBit) != 0 ? magnitude : -magnitude);
}

std::int16_t MuLawToLinear(std::uint8_t code) {
  const int u = static_cast<std::uint8_t>(~code);
  const int magnitude = (((u & kQuantMask) << 3) + kMuLawBias)
                        << ((u & kSegmentMask) >> kSegmentShift);
  return static_cast<std::int16_t>((u & kSignBit) != 0 ? kMuLawBias - magnitude
                                                       : magnitude - kMuLawBias);
}

}  // namespace tolvane
