#pragma once
// Reads the records of one "SiIg" group chunk, for the importer and for `tolvane-convert info`
// alike. Counts, offsets and indices in a file are only numbers: every record is read only
// where it lies wholly inside the chunk, and budgets keep the work in proportion to the chunk's
// size whatever its counts claim. Instruments may share and overlap their zone ranges, and
// sample entries their data, so a small hostile chunk could name far more zones and sample
// copies than it holds; a written file reads each zone entry once and each sample byte once,
// which the budgets always allow.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "sifi/sifi_format.h"

namespace tolvane::sifi {

// The zone entries of one instrument: [first, first + count) can be read; `outside` more lie
// past the end of the chunk and `overBudget` more were left over when the group's zone budget
// ran out.
struct ZoneRun {
  std::size_t first = 0;
  std::size_t count = 0;
  std::size_t outside = 0;
  std::size_t overBudget = 0;
};

// A sample entry with the data it names, ready to be copied.
struct SampleRecord {
  SampleEntry entry;
  std::uint32_t bytesPerFrame = 0;
  std::uint32_t frames = 0;
  std::span<const std::byte> data;  // frames x bytesPerFrame bytes inside the chunk
};

// Why a zone's sample cannot be read.
enum class SampleProblem {
  None,
  EntryOutside,   // the sample entry lies outside the group
  WithoutFrames,  // its format gives no frame size (no channel or under 8 bits)
  DataOutside,    // its data lies outside the group
  OverBudget,     // its data was asked for more often than the group could need
};

struct SampleLookup {
  std::optional<SampleRecord> record;
  SampleProblem problem = SampleProblem::None;  // when there is no record
};

class GroupReader {
 public:
  // Nothing when the chunk is too short for its header. REQUIRES: `chunk` (the whole chunk,
  // header included) outlives the reader.
  static std::optional<GroupReader> Open(std::span<const std::byte> chunk);

  const GroupHeader& header() const { return header_; }

  // Instrument entries wholly inside the chunk are those below this index; they come first,
  // so the others, up to the header's count, are all cut off.
  std::size_t readableInstruments() const { return readableInstruments_; }
  // REQUIRES: index < readableInstruments().
  InstrumentEntry Instrument(std::size_t index) const;

  // The zone entries of `instrument` that can be read, taken from the group's zone budget.
  ZoneRun Zones(const InstrumentEntry& instrument);
  // REQUIRES: `index` lies in a run handed out by Zones.
  ZoneEntry Zone(std::size_t index) const;

  // Sample entries wholly inside the chunk are those below this index.
  std::size_t readableSamples() const { return readableSamples_; }
  // Entry `index` of the sample table; nothing when it lies outside the chunk.
  std::optional<SampleEntry> SampleAt(std::size_t index) const;
  // The sample a zone plays, with its data. The first look-up of each index takes its bytes from
  // the group's copying budget; nothing, with the problem, when the entry or its data lies
  // outside the chunk, its format gives no frame size, or the budget is spent.
  SampleLookup Sample(std::uint16_t index);

 private:
  GroupReader(std::span<const std::byte> chunk, const GroupHeader& header);

  std::span<const std::byte> chunk_;
  GroupHeader header_;
  std::size_t readableInstruments_ = 0;
  std::size_t zoneEntries_ = 0;  // zone entries wholly inside the chunk
  std::size_t readableSamples_ = 0;
  std::uint64_t zonesLeft_ = 0;
  std::uint64_t sampleBytesLeft_ = 0;
  std::vector<bool> sampleCharged_;  // by sample index: its bytes were taken from the budget
};

}  // namespace tolvane::sifi
