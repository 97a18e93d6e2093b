#pragma once
// A 16-bit PCM WAV file, as bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tolvane {

// The canonical 44-byte header and the values. Nothing when the data would not fit the
// format's 32-bit sizes.
std::optional<std::vector<std::byte>> EncodeWave16(std::span<const std::int16_t> interleaved,
                                                   std::uint16_t channels,
                                                   std::uint32_t sampleRate);

}  // namespace tolvane
