// Writes the EXS instrument of the benchmark's EXS library:
//
//   bench_exs_instrument OUT.exs COUNT
//
// COUNT zones, one a sample file sNNNN.wav (from s0000.wav), in four velocity groups (a group
// volume in dB each), each sample on a key range around its note across the keyboard, one in
// four looped, with the parameter chunk's master volume and amplitude envelope. The samples are
// stored as lying in a folder of another machine, so that the converter looks for them.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/import/exs/exs_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_exs_instrument OUT.exs COUNT\n");
    return 2;
  }
  const int count = std::atoi(argv[2]);
  if (count <= 0 || count > 10000) return 2;
  using tolvane::testing::ExsContents;
  constexpr int kLayers = 4;
  ExsContents contents;
  for (int v = 0; v < kLayers; ++v) {
    contents.groups.push_back({.volume = static_cast<std::int8_t>((v - kLayers + 1) * 4),
                               .velLow = static_cast<std::uint8_t>(v * 32),
                               .velHigh = static_cast<std::uint8_t>(v * 32 + 31)});
  }
  const int perLayer = (count + kLayers - 1) / kLayers;
  for (int i = 0; i < count; ++i) {
    const int key = 21 + (i % perLayer) * 88 / perLayer;
    char name[16];
    std::snprintf(name, sizeof name, "s%04d.wav", i);
    contents.samples.push_back({.file = name, .folder = "/Users/bench/Music/Samples"});
    contents.zones.push_back({.root = static_cast<std::uint8_t>(key),
                              .keyLow = static_cast<std::uint8_t>(key - 1),
                              .keyHigh = static_cast<std::uint8_t>(key + 1),
                              .loopStart = 20000,
                              .loopEnd = 40000,
                              .loopFlags = static_cast<std::uint8_t>(i % 4 == 1 ? 1 : 0),
                              .group = i / perLayer,
                              .sample = i});
  }
  contents.parameters = true;
  contents.values = {{0x07, -6}, {0x52, 10}, {0x54, 80}, {0x51, 90}, {0x55, 60}};
  const tolvane::testing::Bytes bytes = tolvane::testing::WriteExs(contents);
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
