#include "sifi/group_reader.h"

#include <algorithm>

namespace tolvane::sifi {
namespace {

// How many records of `size` bytes lie wholly inside `chunk` from `offset` on.
std::size_t RecordsFitting(std::span<const std::byte> chunk, std::size_t offset, std::size_t size) {
  return offset > chunk.size() ? 0 : (chunk.size() - offset) / size;
}

// How many of a table's `count` entries from index 0 lie wholly inside `chunk`.
std::size_t EntriesInside(std::span<const std::byte> chunk, std::size_t offset, std::size_t count,
                          std::size_t size) {
  return std::min(count, RecordsFitting(chunk, offset, size));
}

}  // namespace

std::optional<GroupReader> GroupReader::Open(std::span<const std::byte> chunk) {
  const auto header = GroupHeader::Read(chunk);
  if (!header) return std::nullopt;
  return GroupReader(chunk, *header);
}

GroupReader::GroupReader(std::span<const std::byte> chunk, const GroupHeader& header)
    : chunk_(chunk),
      header_(header),
      readableInstruments_(EntriesInside(chunk, header.instrumentTableOffset,
                                         header.instrumentCount, kInstrumentEntrySize)),
      zoneEntries_(RecordsFitting(chunk, header.zoneTableOffset, kZoneEntrySize)),
      readableSamples_(
          EntriesInside(chunk, header.sampleTableOffset, header.sampleCount, kSampleEntrySize)),
      zonesLeft_(chunk.size() / kZoneEntrySize),
      sampleBytesLeft_(chunk.size()),
      sampleCharged_(std::size_t{1} << 16, false) {}

InstrumentEntry GroupReader::Instrument(std::size_t index) const {
  return *InstrumentEntry::Read(
      chunk_.subspan(header_.instrumentTableOffset + kInstrumentEntrySize * index));
}

ZoneRun GroupReader::Zones(const InstrumentEntry& instrument) {
  ZoneRun run;
  run.first = instrument.firstZone;
  const std::size_t inside =
      run.first >= zoneEntries_
          ? 0
          : std::min<std::size_t>(instrument.zoneCount, zoneEntries_ - run.first);
  run.count = static_cast<std::size_t>(std::min<std::uint64_t>(inside, zonesLeft_));
  zonesLeft_ -= run.count;
  run.outside = instrument.zoneCount - inside;
  run.overBudget = inside - run.count;
  return run;
}

ZoneEntry GroupReader::Zone(std::size_t index) const {
  return *ZoneEntry::Read(chunk_.subspan(header_.zoneTableOffset + kZoneEntrySize * index));
}

std::optional<SampleEntry> GroupReader::SampleAt(std::size_t index) const {
  const auto bytes =
      Slice(chunk_, header_.sampleTableOffset + std::uint64_t{kSampleEntrySize} * index,
            kSampleEntrySize);
  if (!bytes) return std::nullopt;
  return SampleEntry::Read(*bytes);
}

SampleLookup GroupReader::Sample(std::uint16_t index) {
  const auto entry = SampleAt(index);
  if (!entry) return {std::nullopt, SampleProblem::EntryOutside};
  const std::uint32_t bytesPerFrame = (std::uint32_t{entry->bitsPerSample} >> 3) * entry->channels;
  if (bytesPerFrame == 0) return {std::nullopt, SampleProblem::WithoutFrames};
  if (entry->dataEnd < entry->dataStart) return {std::nullopt, SampleProblem::DataOutside};
  const std::uint32_t frames = (entry->dataEnd - entry->dataStart) / bytesPerFrame;
  const std::uint64_t size = std::uint64_t{frames} * bytesPerFrame;
  const auto data = Slice(chunk_, std::uint64_t{header_.sampleDataOffset} + entry->dataStart, size);
  if (!data) return {std::nullopt, SampleProblem::DataOutside};
  if (!sampleCharged_[index]) {
    if (size > sampleBytesLeft_) return {std::nullopt, SampleProblem::OverBudget};
    sampleBytesLeft_ -= size;
    sampleCharged_[index] = true;
  }
  return {SampleRecord{*entry, bytesPerFrame, frames, *data}, {}};
}

}  // namespace tolvane::sifi
