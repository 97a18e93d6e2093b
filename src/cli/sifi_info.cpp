#include "cli/sifi_info.h"

#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

#include "base/bytes.h"
#include "base/encoding.h"
#include "import/sifi_format.h"
#include "library/category.h"
#include "library/instrument_texts.h"

namespace tolvane::cli {
namespace {

using namespace sifi;

std::string FlagsText(std::uint8_t flags) {
  std::string text;
  const auto add = [&](const char* word) {
    if (!text.empty()) text += ',';
    text += word;
  };
  if (flags & ZoneLoop) add("loop");
  if (flags & ZoneStereo) add("stereo");
  if (flags & ZoneDual) add("dual");
  return text.empty() ? "-" : text;
}

struct GroupText {
  std::string text;
  std::size_t instruments = 0;
  std::size_t samples = 0;
};

std::optional<SampleEntry> SampleAt(std::span<const std::byte> chunk, const GroupHeader& header,
                                    std::uint32_t index) {
  const auto bytes = Slice(
      chunk, header.sampleTableOffset + std::uint64_t{kSampleEntrySize} * index, kSampleEntrySize);
  if (!bytes) return std::nullopt;
  return SampleEntry::Read(*bytes);
}

GroupText DescribeGroup(std::span<const std::byte> chunk, std::size_t number) {
  GroupText group;
  std::ostringstream out;
  const auto header = GroupHeader::Read(chunk);
  if (!header) {
    out << "group " << number << ": damaged (too short)\n";
    group.text = out.str();
    return group;
  }
  group.instruments = header->instrumentCount;
  group.samples = header->sampleCount;
  out << "group " << number << ": " << header->instrumentCount << " instruments, "
      << header->sampleCount << " samples\n";
  for (std::uint32_t i = 0; i < header->instrumentCount; ++i) {
    const auto bytes =
        Slice(chunk, header->instrumentTableOffset + std::uint64_t{kInstrumentEntrySize} * i,
              kInstrumentEntrySize);
    if (!bytes) {
      out << "  instrument " << i + 1 << ": damaged (outside its group)\n";
      continue;
    }
    const auto entry = InstrumentEntry::Read(*bytes);
    out << "  instrument \"" << Windows1252ToUtf8(entry->name) << "\" "
        << SoundIdText(entry->soundId) << ' ' << CategoryText(entry->category) << ", "
        << entry->zoneCount << " zones\n";
    for (std::uint32_t k = 0; k < entry->zoneCount; ++k) {
      const auto zoneBytes = Slice(
          chunk, header->zoneTableOffset + std::uint64_t{kZoneEntrySize} * (entry->firstZone + k),
          kZoneEntrySize);
      if (!zoneBytes) {
        out << "    zone " << k + 1 << ": damaged (outside its group)\n";
        continue;
      }
      const auto zone = ZoneEntry::Read(*zoneBytes);
      const ZoneMapping& m = zone->mapping;
      const auto sample = SampleAt(chunk, *header, zone->sampleIndex);
      out << "    zone keys " << int{m.keyLow} << '-' << int{m.keyHigh} << " velocities "
          << int{m.velLow} << '-' << int{m.velHigh} << " flags " << FlagsText(m.flags)
          << " sample ";
      if (sample)
        out << '"' << Windows1252ToUtf8(sample->name) << "\"\n";
      else
        out << zone->sampleIndex << " (damaged)\n";
    }
  }
  for (std::uint32_t s = 0; s < header->sampleCount; ++s) {
    const auto sample = SampleAt(chunk, *header, s);
    if (!sample) {
      out << "  sample " << s + 1 << ": damaged (outside its group)\n";
      continue;
    }
    const std::uint32_t bytesPerFrame =
        (std::uint32_t{sample->bitsPerSample} >> 3) * sample->channels;
    out << "  sample \"" << Windows1252ToUtf8(sample->name) << "\" " << sample->sampleRate
        << " Hz, " << int{sample->channels}
        << (sample->channels == 1 ? " channel, " : " channels, ");
    if (bytesPerFrame == 0 || sample->dataEnd < sample->dataStart) {
      out << "damaged (no frame size)\n";
      continue;
    }
    out << (sample->dataEnd - sample->dataStart) / bytesPerFrame << " frames, loop "
        << sample->loopStart / bytesPerFrame << '-' << sample->loopEnd / bytesPerFrame
        << ", root key " << int{sample->rootKey} << '\n';
  }
  group.text = out.str();
  return group;
}

}  // namespace

bool DescribeSiFi(std::span<const std::byte> file, const std::string& name, std::ostream& out,
                  std::string& error) {
  const auto header = FileHeader::Read(file);
  if (!header) {
    error = "not a SiFi instrument file";
    return false;
  }
  std::vector<GroupText> groups;
  std::uint64_t position = header->firstChunkOffset;
  bool whole = true;
  while (position < file.size()) {
    const auto chunkHeader = Slice(file, position, kChunkHeaderSize);
    const auto chunk = chunkHeader ? ChunkHeader::Read(*chunkHeader) : std::nullopt;
    if (!chunk || chunk->length < kChunkHeaderSize || chunk->length > file.size() - position) {
      whole = false;
      break;
    }
    if (chunk->tag == kTagSiIg)
      groups.push_back(DescribeGroup(*Slice(file, position, chunk->length), groups.size() + 1));
    position += chunk->length;
  }
  std::size_t instruments = 0, samples = 0;
  for (const GroupText& g : groups) {
    instruments += g.instruments;
    samples += g.samples;
  }
  out << name << ": " << groups.size() << " groups, " << instruments << " instruments, " << samples
      << " samples\n";
  for (const GroupText& g : groups) out << g.text;
  if (!whole) out << "damaged: the chunks end before the file does\n";
  return true;
}

}  // namespace tolvane::cli
