#pragma once
// WAV files for the command-line tests, made in the test.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace tolvane::testing {

// A 440 Hz tone of `seconds` as a plain PCM WAV file (8 bits unsigned, wider signed), its peak
// `amplitude` of full scale.
inline std::string ToneWave(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels,
                            double amplitude, double seconds = 0.05) {
  const auto frames = static_cast<std::uint32_t>(std::lround(rate * seconds));
  const std::uint32_t bytesPerSample = bits / 8u;
  std::vector<std::byte> data;
  tolvane::ByteWriter writer(data);
  for (std::uint32_t frame = 0; frame < frames; ++frame) {
    const double value = amplitude * std::sin(2 * 3.141592653589793 * 440 * frame / rate);
    for (std::uint16_t channel = 0; channel < channels; ++channel) {
      if (bits == 8) {
        data.push_back(static_cast<std::byte>(std::lround(128 + value * 127)));
        continue;
      }
      const auto sample = static_cast<std::int64_t>(std::lround(value * ((1 << (bits - 1)) - 1)));
      for (std::uint32_t i = 0; i < bytesPerSample; ++i)
        data.push_back(
            static_cast<std::byte>((static_cast<std::uint64_t>(sample) >> (8 * i)) & 0xFF));
    }
  }
  std::vector<std::byte> file;
  tolvane::ByteWriter out(file);
  out.Text("RIFF");
  out.U32(static_cast<std::uint32_t>(4 + 24 + 8 + data.size()));
  out.Text("WAVEfmt ");
  out.U32(16);
  out.U16(1);
  out.U16(channels);
  out.U32(rate);
  out.U32(rate * channels * bytesPerSample);
  out.U16(static_cast<std::uint16_t>(channels * bytesPerSample));
  out.U16(bits);
  out.Text("data");
  out.U32(static_cast<std::uint32_t>(data.size()));
  file.insert(file.end(), data.begin(), data.end());
  return {reinterpret_cast<const char*>(file.data()), file.size()};
}

}  // namespace tolvane::testing
