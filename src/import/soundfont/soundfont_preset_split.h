#pragma once
// A preset whose zones an instrument file cannot hold in one instrument (its tables would pass
// the 65,535 bytes of one group) becomes several instruments. The pieces (the instruments a
// preset zone plays) are grouped as an export groups instruments that share samples: a part
// starts with the first piece left and takes, one after another, the piece left that shares
// the most samples with it (the earliest of equals) while the tables still fit.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvane {

// What one piece needs: its zones and the samples they play, as places in the preset's list of
// samples (ascending, each once).
struct PieceNeeds {
  std::size_t zones = 0;
  std::vector<std::size_t> samples;
};

// The tables' size of a group of one instrument of `zones` zones playing `samples` samples.
std::uint64_t OneInstrumentTableBytes(std::uint64_t zones, std::uint64_t samples);

// Whether one instrument can hold `needs`.
bool FitsOneInstrument(const PieceNeeds& needs);

// The parts, each a list of piece places (ascending). One part of every piece when they fit
// together. REQUIRES: every piece fits one instrument alone; `sampleCount` is past every place.
std::vector<std::vector<std::size_t>> SplitPieces(const std::vector<PieceNeeds>& pieces,
                                                  std::size_t sampleCount);

}  // namespace tolvane
