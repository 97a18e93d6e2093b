#include "export/sifi_layout.h"

#include "export/group_split.h"

#include <cstddef>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

namespace tolvane::sifi_writing {

using namespace sifi;

namespace {

ExportResult Failure(ExportError error, std::string reason) {
  return {error, std::move(reason), {}, {}, {}};
}

std::string GroupLabel(const ExportGroup& group) {
  return "group of " + (group.members.empty() ? std::string() : group.members.front()->name);
}

// The sample table entry of `sample`, whose data starts `offset` bytes into the group's sample
// data. Offsets are counted in 64 bits; one that does not fit its 32-bit field is refused.
ExportResult LayOutSample(const ExportGroup& group, const Sample& sample, std::uint64_t offset,
                          SampleEntry& entry) {
  const std::uint64_t bytesPerFrame = BytesPerFrame(sample);
  const std::uint64_t dataEnd = offset + sample.frames * bytesPerFrame;
  const auto mended = group.loops.find(&sample);
  const LoopPoints loop =
      mended != group.loops.end() ? mended->second : LoopPoints{sample.loopStart, sample.loopEnd};
  const std::uint64_t loopStart = loop.start * bytesPerFrame;
  const std::uint64_t loopEnd = loop.end * bytesPerFrame;
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  if (dataEnd > kLargest || loopStart > kLargest || loopEnd > kLargest) {
    return Failure(ExportError::kFileTooLarge, GroupLabel(group) + ": sample " + sample.name +
                                                   " lies past the 4 GiB a file can address");
  }
  const auto retuned = group.tunings.find(&sample);
  const SampleTuning tuning = retuned != group.tunings.end()
                                  ? retuned->second
                                  : SampleTuning{sample.rootKey, sample.pitchCorrection};
  entry = SampleEntry{sample.name,
                      static_cast<std::uint32_t>(offset),
                      static_cast<std::uint32_t>(dataEnd),
                      static_cast<std::uint32_t>(loopStart),
                      static_cast<std::uint32_t>(loopEnd),
                      static_cast<std::int8_t>(tuning.pitchCorrection),
                      static_cast<std::uint8_t>(tuning.rootKey),
                      static_cast<std::uint8_t>(sample.channels),
                      16,
                      sample.sampleRate};
  return {};
}

// Files the instruments and the zones that play a sample laid out.
void LayOutMembers(const std::vector<const Instrument*>& members,
                   const std::unordered_map<const Sample*, std::uint16_t>& indexOf,
                   GroupLayout& layout) {
  for (const Instrument* instrument : members) {
    MemberLayout member{instrument, static_cast<std::uint16_t>(layout.zones.size()), 0};
    for (const Zone& zone : instrument->zones) {
      const auto found = indexOf.find(zone.sample);
      if (found == indexOf.end()) continue;
      layout.zones.push_back({&zone, found->second});
      ++member.zoneCount;
    }
    layout.members.push_back(member);
  }
}

// Lays out a group chunk of `members` over `samples`, in that order.
ExportResult LayOutGroup(const ExportGroup& group, const std::vector<const Instrument*>& members,
                         const std::vector<Sample*>& samples, GroupLayout& layout) {
  layout.group = &group;
  layout.samplesWritten.assign(samples.begin(), samples.end());
  std::unordered_map<const Sample*, std::uint16_t> indexOf;
  std::uint64_t dataSize = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    Sample& sample = *samples[i];
    sample.exportIndex = static_cast<std::uint32_t>(i);
    indexOf.emplace(&sample, static_cast<std::uint16_t>(i));
    // The writer reads frames x channels values; anything else would read past the data.
    if ((sample.channels != 1 && sample.channels != 2) ||
        WrittenValues(group, sample).size() < std::uint64_t{sample.frames} * sample.channels) {
      return Failure(ExportError::kBadSample,
                     GroupLabel(group) + ": sample " + sample.name + " has no valid data");
    }
    SampleEntry& entry = layout.samples.emplace_back();
    if (ExportResult result = LayOutSample(group, sample, dataSize, entry); !result) return result;
    dataSize += (std::uint64_t{sample.frames} + kSilentFrames) * BytesPerFrame(sample);
  }
  LayOutMembers(members, indexOf, layout);

  const std::uint64_t instrumentTable = kInstrumentEntrySize * layout.members.size();
  const std::uint64_t zoneTable = kZoneEntrySize * layout.zones.size();
  const std::uint64_t tables =
      kGroupHeaderSize + instrumentTable + zoneTable + kSampleEntrySize * samples.size();
  if (tables > kMaxTableBytes) {
    return Failure(ExportError::kGroupTooLarge, GroupLabel(group) + ": tables need " +
                                                    std::to_string(tables) + " bytes, at most " +
                                                    std::to_string(kMaxTableBytes) + " fit");
  }
  const std::uint64_t length = tables + dataSize;
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return Failure(ExportError::kFileTooLarge,
                   GroupLabel(group) + ": " + std::to_string(length) + " bytes do not fit a file");
  }
  // Within the table limit every count and offset below fits its 16-bit field.
  GroupHeader& header = layout.header;
  header.length = static_cast<std::uint32_t>(length);
  header.instrumentTableOffset = kGroupHeaderSize;
  header.instrumentCount = static_cast<std::uint16_t>(layout.members.size());
  header.zoneTableOffset = static_cast<std::uint16_t>(kGroupHeaderSize + instrumentTable);
  header.zoneCount = static_cast<std::uint16_t>(layout.zones.size());
  header.sampleTableOffset = static_cast<std::uint16_t>(header.zoneTableOffset + zoneTable);
  header.sampleCount = static_cast<std::uint16_t>(samples.size());
  header.sampleDataOffset = static_cast<std::uint16_t>(tables);
  return {};
}

// Lays out `group`, split into parts when its tables do not fit one chunk; the split is added
// to `splits`.
ExportResult LayOutWholeOrSplit(const ExportGroup& group, std::vector<GroupLayout>& layouts,
                                std::vector<GroupSplit>& splits) {
  const std::vector<Sample*>& samples = group.sampleGroup->samples;
  ExportResult whole = LayOutGroup(group, group.members, samples, layouts.emplace_back());
  if (whole.error != ExportError::kGroupTooLarge) return whole;
  layouts.pop_back();

  std::vector<MemberNeeds> needs;
  for (const Instrument* instrument : group.members) needs.push_back(NeedsOf(*instrument, samples));
  std::size_t alone = 0;
  const auto parts = SplitGroup(needs, samples.size(), alone);
  if (!parts) {
    const MemberNeeds& too = needs[alone];
    return Failure(ExportError::kGroupTooLarge,
                   GroupLabel(group) + ": instrument " + group.members[alone]->name +
                       " alone needs " +
                       std::to_string(TableBytes(1, too.zones, too.samples.size())) +
                       " bytes of tables (" + std::to_string(too.zones) + " zones), at most " +
                       std::to_string(kMaxTableBytes) + " fit");
  }
  GroupSplit split{group.members.front()->name, parts->size(), 0};
  std::vector<std::size_t> copies(samples.size(), 0);
  for (const GroupPart& part : *parts) {
    std::vector<const Instrument*> members;
    for (const std::size_t m : part.members) members.push_back(group.members[m]);
    std::vector<Sample*> partSamples;
    for (const std::size_t s : part.samples) {
      partSamples.push_back(samples[s]);
      if (copies[s]++ > 0)
        split.duplicatedBytes += std::uint64_t{samples[s]->frames} * BytesPerFrame(*samples[s]);
    }
    if (ExportResult result = LayOutGroup(group, members, partSamples, layouts.emplace_back());
        !result)
      return result;
  }
  splits.push_back(std::move(split));
  return {};
}

}  // namespace

ExportResult LayOutFile(const ExportSet& set, FileLayout& layout) {
  // The count in the file header must match the chunks that follow, so a set the format cannot
  // hold is refused whole rather than cut short.
  if (set.groups.size() > kMaxGroups) {
    return Failure(ExportError::kTooManyGroups, std::to_string(set.groups.size()) +
                                                    " groups, at most " +
                                                    std::to_string(kMaxGroups) + " fit a file");
  }
  std::vector<GroupSplit> splits;
  for (const ExportGroup& group : set.groups) {
    if (ExportResult result = LayOutWholeOrSplit(group, layout.groups, splits); !result)
      return result;
  }
  if (layout.groups.size() > kMaxGroups) {
    return Failure(ExportError::kTooManyGroups, std::to_string(layout.groups.size()) +
                                                    " groups once split, at most " +
                                                    std::to_string(kMaxGroups) + " fit a file");
  }
  std::uint64_t length = kFileHeaderSize;
  for (const GroupLayout& groupLayout : layout.groups)
    length += groupLayout.header.length + kSiDpChunkSize * groupLayout.members.size();
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return Failure(ExportError::kFileTooLarge,
                   "the file needs " + std::to_string(length) + " bytes, at most " +
                       std::to_string(std::numeric_limits<std::uint32_t>::max()) + " fit");
  }
  layout.length = static_cast<std::uint32_t>(length);
  ExportResult result;
  result.splits = std::move(splits);
  return result;
}

void WriteGroupTables(const GroupLayout& group, ByteWriter& out) {
  group.header.Write(out);
  for (const MemberLayout& member : group.members) {
    const Instrument& instrument = *member.instrument;
    InstrumentEntry{instrument.name, instrument.soundId,
                    static_cast<std::uint16_t>(instrument.category), member.firstZone,
                    member.zoneCount}
        .Write(out);
  }
  for (const ZoneRecord& record : group.zones) {
    ZoneMapping mapping = record.zone->mapping;
    if (group.group->loopedZones.contains(record.zone)) mapping.flags |= ZoneLoop;
    ZoneEntry{mapping, record.zone->parameters, record.sampleIndex}.Write(out);
  }
  for (const SampleEntry& entry : group.samples) entry.Write(out);
}

}  // namespace tolvane::sifi_writing
