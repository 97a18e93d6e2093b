#include "import/soundfont/soundfont_preset_split.h"

#include <algorithm>

#include "sifi/sifi_format.h"

namespace tolvane {

std::uint64_t OneInstrumentTableBytes(std::uint64_t zones, std::uint64_t samples) {
  return sifi::kGroupHeaderSize + sifi::kInstrumentEntrySize + sifi::kZoneEntrySize * zones +
         sifi::kSampleEntrySize * samples;
}

bool FitsOneInstrument(const PieceNeeds& needs) {
  return OneInstrumentTableBytes(needs.zones, needs.samples.size()) <= sifi::kMaxTableBytes;
}

std::vector<std::vector<std::size_t>> SplitPieces(const std::vector<PieceNeeds>& pieces,
                                                  std::size_t sampleCount) {
  std::vector<std::vector<std::size_t>> parts;
  std::vector<bool> placed(pieces.size(), false);
  std::size_t left = pieces.size();
  std::size_t first = 0;
  while (left > 0) {
    while (placed[first]) ++first;
    std::vector<std::size_t>& part = parts.emplace_back();
    std::vector<bool> held(sampleCount, false);
    std::size_t zones = 0;
    std::size_t samples = 0;
    const auto take = [&](std::size_t p) {
      placed[p] = true;
      --left;
      part.push_back(p);
      zones += pieces[p].zones;
      for (const std::size_t s : pieces[p].samples) {
        if (!held[s]) ++samples;
        held[s] = true;
      }
    };
    take(first);
    for (;;) {
      std::size_t best = pieces.size();
      std::size_t bestShared = 0;
      for (std::size_t p = first + 1; p < pieces.size(); ++p) {
        if (placed[p]) continue;
        const auto shared = static_cast<std::size_t>(
            std::count_if(pieces[p].samples.begin(), pieces[p].samples.end(),
                          [&](std::size_t s) { return held[s]; }));
        const std::uint64_t bytes = OneInstrumentTableBytes(
            zones + pieces[p].zones, samples + pieces[p].samples.size() - shared);
        if (bytes > sifi::kMaxTableBytes) continue;
        if (best == pieces.size() || shared > bestShared) {
          best = p;
          bestShared = shared;
        }
      }
      if (best == pieces.size()) break;
      take(best);
    }
    std::sort(part.begin(), part.end());
  }
  return parts;
}

}  // namespace tolvane
