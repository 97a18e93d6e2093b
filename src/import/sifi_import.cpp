#include "import/sifi_import.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "base/bytes.h"
#include "import/sifi_format.h"
#include "library/library.h"

namespace tolvane {
namespace {

using namespace sifi;

// Instruments may share and overlap their zone ranges, and sample entries their data, so a small
// hostile chunk could name far more zones and sample copies than it holds. A written file reads
// each zone entry once and copies each sample byte once, which these limits always allow.
struct GroupBudget {
  std::uint64_t zonesLeft = 0;
  std::uint64_t sampleBytesLeft = 0;
  std::vector<bool> sampleCharged = std::vector<bool>(65536, false);
};

// How many zone entries lie wholly inside the chunk.
std::uint64_t ZoneEntriesFitting(std::span<const std::byte> chunk, const GroupHeader& header) {
  if (header.zoneTableOffset > chunk.size()) return 0;
  return (chunk.size() - header.zoneTableOffset) / kZoneEntrySize;
}

// The sample a zone entry plays, or nothing when its entry or data lies outside the chunk, its
// format gives no bytes per frame, or the library refuses it.
Sample* ReadZoneSample(Instrument& instrument, std::span<const std::byte> chunk,
                       const GroupHeader& header, std::uint16_t sampleIndex, GroupBudget& budget) {
  const auto entryBytes =
      Slice(chunk, header.sampleTableOffset + std::uint64_t{kSampleEntrySize} * sampleIndex,
            kSampleEntrySize);
  if (!entryBytes) return nullptr;
  const auto entry = SampleEntry::Read(*entryBytes);
  const std::uint32_t bytesPerFrame = (std::uint32_t{entry->bitsPerSample} >> 3) * entry->channels;
  if (bytesPerFrame == 0 || entry->dataEnd < entry->dataStart) return nullptr;
  const std::uint32_t frames = (entry->dataEnd - entry->dataStart) / bytesPerFrame;
  const std::uint64_t size = std::uint64_t{frames} * bytesPerFrame;
  const auto data = Slice(chunk, std::uint64_t{header.sampleDataOffset} + entry->dataStart, size);
  if (!data) return nullptr;
  if (!budget.sampleCharged[sampleIndex]) {
    if (size > budget.sampleBytesLeft) return nullptr;
    budget.sampleBytesLeft -= size;
    budget.sampleCharged[sampleIndex] = true;
  }

  SampleRequest request;
  request.name = entry->name;
  request.sampleRate = entry->sampleRate;
  request.bitsPerSample = entry->bitsPerSample;
  request.channels = entry->channels;
  request.first = *data;  // interleaved frames, copied as stored
  request.frames = frames;
  request.loopStart = entry->loopStart / bytesPerFrame;
  request.loopEnd = entry->loopEnd / bytesPerFrame;
  request.rootKey = entry->rootKey;
  request.pitchCorrection = entry->pitchCorrection;
  return AddSample(instrument, request);
}

}  // namespace

std::size_t ImportSiFiGroup(Library& library, Source& source, std::span<const std::byte> chunk) {
  const auto header = GroupHeader::Read(chunk);
  if (!header) return 0;
  GroupBudget budget{chunk.size() / kZoneEntrySize, chunk.size()};
  std::size_t added = 0;
  for (std::uint32_t i = 0; i < header->instrumentCount; ++i) {
    const auto entryBytes =
        Slice(chunk, header->instrumentTableOffset + std::uint64_t{kInstrumentEntrySize} * i,
              kInstrumentEntrySize);
    if (!entryBytes) break;  // every later entry lies further out
    const auto entry = InstrumentEntry::Read(*entryBytes);

    std::unique_ptr<Instrument> instrument =
        CreateInstrument(source, entry->name, entry->name, entry->soundId);
    instrument->category = entry->category;  // the file's choice over the database's
    // Entries past the chunk's end are dropped without a look; they all come last.
    const std::uint64_t fitting = ZoneEntriesFitting(chunk, *header);
    const std::uint64_t first = entry->firstZone;
    const std::uint64_t count =
        first >= fitting ? 0 : std::min<std::uint64_t>(entry->zoneCount, fitting - first);
    for (std::uint64_t k = 0; k < count && budget.zonesLeft > 0; ++k) {
      --budget.zonesLeft;
      const auto zoneEntry = ZoneEntry::Read(
          chunk.subspan(header->zoneTableOffset + kZoneEntrySize * (first + k), kZoneEntrySize));
      // A zone without a sample could be neither listed nor exported again.
      Sample* const sample =
          ReadZoneSample(*instrument, chunk, *header, zoneEntry->sampleIndex, budget);
      if (sample == nullptr) continue;
      Zone zone;
      InitZone(zone);
      zone.mapping = zoneEntry->mapping;
      zone.parameters = zoneEntry->parameters;
      SetZoneSample(zone, sample);
      AddZone(*instrument, zone);
    }
    AddInstrument(library, std::move(instrument));
    ++added;
  }
  return added;
}

bool ImportSiFi(Library& library, Source& source, const ImportView& view) {
  const std::span<const std::byte> file = view.bytes;
  const auto header = FileHeader::Read(file);
  if (!header || header->version != kVersion) return false;

  std::uint64_t position = header->firstChunkOffset;
  const std::uint64_t end = file.size();
  while (position + kChunkHeaderSize <= end) {
    const auto chunk = ChunkHeader::Read(file.subspan(static_cast<std::size_t>(position)));
    // A length below the header's own size could not move the walk forward.
    if (chunk->length < kChunkHeaderSize || chunk->length > end - position) break;
    const auto bytes = file.subspan(static_cast<std::size_t>(position), chunk->length);
    if (chunk->tag == kTagSiIg) ImportSiFiGroup(library, source, bytes);
    position += chunk->length;
  }
  return position == end;
}

}  // namespace tolvane
