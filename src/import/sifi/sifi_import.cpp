#include "import/sifi/sifi_import.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "import/sifi/sifi_outcome.h"
#include "library/library.h"
#include "sifi/file_chunks.h"
#include "sifi/group_reader.h"
#include "sifi/sifi_format.h"

namespace tolvane {
namespace {

using namespace sifi;

const FormatDamage& KindOf(SampleProblem problem) {
  switch (problem) {
    case SampleProblem::EntryOutside:
    case SampleProblem::None:
      break;
    case SampleProblem::WithoutFrames:
      return kSampleWithoutFrameSize;
    case SampleProblem::DataOutside:
      return kSampleDataOutsideGroup;
    case SampleProblem::OverBudget:
      return kSampleDataTooOftenInGroup;
  }
  return kSampleEntryOutsideGroup;
}

// The sample a zone entry plays, or nothing (the zone is then dropped, with the reason).
// `file` is the whole file the group lies in: where a sample's data lies in it names the sample.
Sample* ReadZoneSample(Instrument& instrument, GroupReader& group, std::uint16_t sampleIndex,
                       std::span<const std::byte> file, ImportDrops& drops) {
  const SampleLookup lookup = group.Sample(sampleIndex);
  if (!lookup.record) {
    drops.Drop(PartKind::Zone, KindOf(lookup.problem));
    return nullptr;
  }
  const SampleRecord& record = *lookup.record;
  const SampleEntry& entry = record.entry;
  SampleRequest request;
  request.name = entry.name;
  request.sampleRate = entry.sampleRate;
  request.bitsPerSample = entry.bitsPerSample;
  request.channels = entry.channels;
  request.key.first = static_cast<std::uint64_t>(record.data.data() - file.data());
  request.frames = record.frames;
  request.loopStart = entry.loopStart / record.bytesPerFrame;
  request.loopEnd = entry.loopEnd / record.bytesPerFrame;
  request.rootKey = entry.rootKey;
  request.pitchCorrection = entry.pitchCorrection;
  // Interleaved frames, copied as stored, unless an earlier zone made the sample already (or it is
  // one the library refuses).
  SampleData data;
  if (request.bitsPerSample == 16 && FindSample(instrument, request) == nullptr)
    data = SampleData::FromLittleEndian(record.data, std::size_t{record.frames} * entry.channels);
  Sample* const sample = AddSample(instrument, request, std::move(data));
  if (sample == nullptr) drops.Drop(PartKind::Zone, kSampleNot16Bit);
  return sample;
}

// Imports the instruments of one "SiIg" chunk (header included); nothing outside it is read.
void ImportGroup(Library& library, Source& source, std::span<const std::byte> file,
                 std::span<const std::byte> chunk, ImportDrops& drops) {
  std::optional<GroupReader> group = GroupReader::Open(chunk);
  if (!group) {
    drops.Drop(PartKind::Group, kGroupHeaderCut);
    return;
  }
  const std::size_t instruments = group->readableInstruments();
  drops.Drop(PartKind::Instrument, kEntryOutsideGroup,
             group->header().instrumentCount - instruments);
  for (std::size_t i = 0; i < instruments; ++i) {
    const InstrumentEntry entry = group->Instrument(i);
    std::unique_ptr<Instrument> instrument =
        CreateInstrument(source, entry.name, entry.name, entry.soundId);
    instrument->category = entry.category;  // the file's choice over the database's
    instrument->differencesOnly = true;
    const ZoneRun zones = group->Zones(entry);
    drops.Drop(PartKind::Zone, kEntryOutsideGroup, zones.outside);
    drops.Drop(PartKind::Zone, kZoneEntryTooOften, zones.overBudget);
    for (std::size_t k = zones.first; k < zones.first + zones.count; ++k) {
      const ZoneEntry zoneEntry = group->Zone(k);
      // A zone without a sample could be neither listed nor exported again.
      Sample* const sample =
          ReadZoneSample(*instrument, *group, zoneEntry.sampleIndex, file, drops);
      if (sample == nullptr) continue;
      Zone zone;
      InitZone(zone);
      zone.mapping = zoneEntry.mapping;
      zone.parameters = zoneEntry.parameters;
      SetZoneSample(zone, sample);
      AddZone(*instrument, zone);
    }
    AddInstrument(library, std::move(instrument));
  }
}

}  // namespace

ImportOutcome ImportSiFi(Library& library, Source& source, const ImportView& view) {
  const std::span<const std::byte> file = view.bytes;
  const auto header = FileHeader::Read(file);
  if (!header) return ImportOutcome::NotRecognised();
  if (header->version != kVersion) {
    return ImportOutcome::NotRecognised("SiFi version " + std::to_string(header->version) +
                                        " is not supported");
  }
  ImportDrops drops;
  FileChunks chunks(file, *header);
  while (const auto chunk = chunks.Next()) {
    if (chunk->header.tag == kTagSiIg) ImportGroup(library, source, file, chunk->bytes, drops);
  }
  return drops.Finish(chunks.damage());
}

}  // namespace tolvane
