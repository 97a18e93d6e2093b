#pragma once
// Sample values of a WAV file as the library keeps them: signed 16 bits. Integer PCM keeps its
// top 16 bits (8-bit data is centred first), IEEE float is scaled, rounded and clipped, A-law
// and mu-law are expanded by G.711.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "import/wave/wave_records.h"

namespace tolvane {

// Reads one stored value at `sample` (which holds format.bytesPerValue() bytes).
using WaveDecoder = std::int16_t (*)(const std::byte* sample);

// The decoder of `format`'s values: integer PCM of 8 to 64 bits, each value in its whole bytes;
// a float width other than 64 is read as 32 bits (ReadWaveRecords refuses others).
WaveDecoder DecoderFor(const WaveFormat& format);

// Every value of the first `frames` interleaved frames of `data`, stored as `format` gives.
// REQUIRES: `data` holds them.
std::vector<std::int16_t> DecodeWaveValues(std::span<const std::byte> data,
                                           const WaveFormat& format, std::size_t frames);

// A float sample (full scale at +-1.0) as 16 bits: x 32768, rounded to nearest, clipped to
// -32768..32767; NaN is silence.
std::int16_t FloatToInt16(double value);

// G.711 expansions to 16-bit linear values, as the ITU reference code computes them.
std::int16_t ALawToLinear(std::uint8_t code);
std::int16_t MuLawToLinear(std::uint8_t code);

}  // namespace tolvane
