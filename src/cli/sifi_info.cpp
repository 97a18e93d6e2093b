#include "cli/sifi_info.h"

#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

#include "base/encoding.h"
#include "library/category.h"
#include "library/instrument_texts.h"
#include "library/library.h"
#include "sifi/file_chunks.h"
#include "sifi/group_reader.h"
#include "sifi/sifi_format.h"

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

// One line for the records [first, end) of a table, counted from 1, that could not be shown.
void RangeLine(std::ostream& out, std::string_view indent, std::string_view records,
               std::size_t first, std::size_t end, std::string_view why) {
  if (first >= end) return;
  out << indent << records << ' ' << first + 1;
  if (end - first > 1) out << " to " << end;
  out << ": " << why << '\n';
}

void DescribeZone(std::ostream& out, const GroupReader& group, const ZoneEntry& zone) {
  const ZoneMapping& m = zone.mapping;
  out << "    zone keys " << int{m.keyLow} << '-' << int{m.keyHigh} << " velocities "
      << int{m.velLow} << '-' << int{m.velHigh} << " flags " << FlagsText(m.flags) << " sample ";
  if (const auto sample = group.SampleAt(zone.sampleIndex))
    out << '"' << Windows1252ToUtf8(sample->name) << "\"\n";
  else
    out << zone.sampleIndex << " (damaged)\n";
}

void DescribeInstrument(std::ostream& out, GroupReader& group, const InstrumentEntry& entry) {
  out << "  instrument \"" << Windows1252ToUtf8(entry.name) << "\" " << SoundIdText(entry.soundId)
      << ' ' << CategoryText(entry.category) << ", " << entry.zoneCount << " zones\n";
  const ZoneRun zones = group.Zones(entry);
  for (std::size_t k = 0; k < zones.count; ++k)
    DescribeZone(out, group, group.Zone(zones.first + k));
  const std::size_t shown = zones.count;
  RangeLine(out, "    ", "zones", shown, shown + zones.overBudget,
            "not read (the group's instruments name more zone entries than it holds)");
  RangeLine(out, "    ", "zones", shown + zones.overBudget, entry.zoneCount,
            "damaged (outside its group)");
}

void DescribeSample(std::ostream& out, const SampleEntry& sample) {
  const std::uint32_t bytesPerFrame = (std::uint32_t{sample.bitsPerSample} >> 3) * sample.channels;
  out << "  sample \"" << Windows1252ToUtf8(sample.name) << "\" " << sample.sampleRate << " Hz, "
      << int{sample.channels} << (sample.channels == 1 ? " channel, " : " channels, ");
  if (bytesPerFrame == 0 || sample.dataEnd < sample.dataStart) {
    out << "damaged (no frame size)\n";
    return;
  }
  const std::uint32_t frames = (sample.dataEnd - sample.dataStart) / bytesPerFrame;
  const LoopPoints stored{sample.loopStart / bytesPerFrame, sample.loopEnd / bytesPerFrame};
  out << frames << " frames, loop " << stored.start << '-' << stored.end << ", root key "
      << int{sample.rootKey} << '\n';
  // What an import makes of values outside the sample or the keyboard.
  const LoopPoints loop = ClampLoop(frames, stored.start, stored.end);
  const std::uint32_t rootKey = ClampRootKey(sample.rootKey);
  if (loop == stored && rootKey == sample.rootKey) return;
  out << "    clamped on import to";
  if (loop != stored) out << " loop " << loop.start << '-' << loop.end;
  if (rootKey != sample.rootKey) out << (loop != stored ? "," : "") << " root key " << rootKey;
  out << '\n';
}

struct GroupText {
  std::string text;
  std::size_t instruments = 0;
  std::size_t samples = 0;
};

GroupText DescribeGroup(std::span<const std::byte> chunk, std::size_t number) {
  GroupText result;
  std::ostringstream out;
  std::optional<GroupReader> group = GroupReader::Open(chunk);
  if (!group) {
    out << "group " << number << ": damaged (too short)\n";
    result.text = out.str();
    return result;
  }
  const GroupHeader& header = group->header();
  result.instruments = header.instrumentCount;
  result.samples = header.sampleCount;
  out << "group " << number << ": " << header.instrumentCount << " instruments, "
      << header.sampleCount << " samples\n";
  for (std::size_t i = 0; i < group->readableInstruments(); ++i)
    DescribeInstrument(out, *group, group->Instrument(i));
  RangeLine(out, "  ", "instruments", group->readableInstruments(), header.instrumentCount,
            "damaged (outside its group)");
  for (std::size_t s = 0; s < group->readableSamples(); ++s)
    DescribeSample(out, *group->SampleAt(s));
  RangeLine(out, "  ", "samples", group->readableSamples(), header.sampleCount,
            "damaged (outside its group)");
  result.text = out.str();
  return result;
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
  FileChunks chunks(file, *header);
  while (const auto chunk = chunks.Next()) {
    if (chunk->header.tag == kTagSiIg)
      groups.push_back(DescribeGroup(chunk->bytes, groups.size() + 1));
  }
  std::size_t instruments = 0, samples = 0;
  for (const GroupText& g : groups) {
    instruments += g.instruments;
    samples += g.samples;
  }
  out << name << ": " << groups.size() << " groups, " << instruments << " instruments, " << samples
      << " samples\n";
  for (const GroupText& g : groups) out << g.text;
  if (!chunks.damage().empty()) out << "damaged: " << chunks.damage() << '\n';
  return true;
}

}  // namespace tolvane::cli
