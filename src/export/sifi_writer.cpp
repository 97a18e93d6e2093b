#include "export/sifi_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "import/sifi_format.h"

namespace tolvane {
namespace {

using namespace sifi;

struct ZoneRecord {
  const Zone* zone = nullptr;
  std::uint16_t sampleIndex = 0;
};

struct MemberLayout {
  const Instrument* instrument = nullptr;
  std::uint16_t firstZone = 0;
  std::uint16_t zoneCount = 0;
};

// One group chunk, sized and checked before a byte is written.
struct GroupLayout {
  const ExportGroup* group = nullptr;
  std::vector<MemberLayout> members;
  std::vector<ZoneRecord> zones;
  std::uint16_t sampleDataOffset = 0;
  std::uint32_t length = 0;  // of the group chunk, without its SiDp chunks
};

struct FileLayout {
  std::vector<GroupLayout> groups;
  std::uint32_t length = kFileHeaderSize;
};

ExportResult Failure(ExportError error, std::string reason) {
  return {error, std::move(reason)};
}

// The system's text for the error of the file operation that just failed.
std::string SystemError() {
  return std::strerror(errno);
}

std::string GroupLabel(const ExportGroup& group) {
  return "group of " + (group.members.empty() ? std::string() : group.members.front()->name);
}

std::uint32_t BytesPerFrame(const Sample& sample) {
  return 2 * sample.channels;
}

ExportResult LayOutGroup(const ExportGroup& group, GroupLayout& layout) {
  layout.group = &group;
  const std::vector<Sample*>& samples = group.sampleGroup->samples;
  std::unordered_map<const Sample*, std::uint16_t> indexOf;
  std::uint64_t dataSize = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    Sample& sample = *samples[i];
    sample.exportIndex = static_cast<std::uint32_t>(i);
    indexOf.emplace(&sample, static_cast<std::uint16_t>(i));
    // The writer reads frames x channels values; anything else would read past the data.
    if ((sample.channels != 1 && sample.channels != 2) ||
        sample.data.size() < std::uint64_t{sample.frames} * sample.channels) {
      return Failure(ExportError::kBadSample,
                     GroupLabel(group) + ": sample " + sample.name + " has no valid data");
    }
    dataSize += (std::uint64_t{sample.frames} + kSilentFrames) * BytesPerFrame(sample);
  }

  for (const Instrument* instrument : group.members) {
    MemberLayout member{instrument, static_cast<std::uint16_t>(layout.zones.size()), 0};
    for (const Zone& zone : instrument->zones) {
      const auto found = indexOf.find(zone.sample);
      if (found == indexOf.end()) continue;
      layout.zones.push_back({&zone, found->second});
      ++member.zoneCount;
    }
    layout.members.push_back(member);
  }

  const std::uint64_t tables = kGroupHeaderSize + kInstrumentEntrySize * layout.members.size() +
                               kZoneEntrySize * layout.zones.size() +
                               kSampleEntrySize * samples.size();
  if (tables > kMaxTableBytes) {
    return Failure(ExportError::kGroupTooLarge, GroupLabel(group) + ": tables need " +
                                                    std::to_string(tables) + " bytes, at most " +
                                                    std::to_string(kMaxTableBytes) + " fit");
  }
  // Within the table limit every count and index above fits its 16-bit field.
  layout.sampleDataOffset = static_cast<std::uint16_t>(tables);
  const std::uint64_t length = tables + dataSize;
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return Failure(ExportError::kFileTooLarge,
                   GroupLabel(group) + ": " + std::to_string(length) + " bytes do not fit a file");
  }
  layout.length = static_cast<std::uint32_t>(length);
  return {};
}

ExportResult LayOutFile(const ExportSet& set, FileLayout& layout) {
  // The count in the file header must match the chunks that follow, so a set the format cannot
  // hold is refused whole rather than cut short.
  if (set.groups.size() > kMaxGroups) {
    return Failure(ExportError::kTooManyGroups, std::to_string(set.groups.size()) +
                                                    " groups, at most " +
                                                    std::to_string(kMaxGroups) + " fit a file");
  }
  std::uint64_t length = kFileHeaderSize;
  for (const ExportGroup& group : set.groups) {
    GroupLayout& groupLayout = layout.groups.emplace_back();
    if (ExportResult result = LayOutGroup(group, groupLayout); !result) return result;
    length += groupLayout.length + kSiDpChunkSize * groupLayout.members.size();
  }
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return Failure(ExportError::kFileTooLarge,
                   "the file needs " + std::to_string(length) + " bytes, at most " +
                       std::to_string(std::numeric_limits<std::uint32_t>::max()) + " fit");
  }
  layout.length = static_cast<std::uint32_t>(length);
  return {};
}

// Streams the laid-out file into `buffer`, handing it to `flush` whenever it has grown large and
// once at the end. `flush` decides whether to empty the buffer; false stops the writing.
template <typename Flush>
bool EmitFile(const FileLayout& layout, std::vector<std::byte>& buffer, Flush&& flush) {
  constexpr std::size_t kFlushSize = std::size_t{1} << 16;
  ByteWriter out(buffer);
  FileHeader{layout.length, kVersion, static_cast<std::uint16_t>(layout.groups.size()),
             kFileHeaderSize}
      .Write(out);

  for (const GroupLayout& group : layout.groups) {
    const auto instrumentCount = static_cast<std::uint16_t>(group.members.size());
    const auto zoneCount = static_cast<std::uint16_t>(group.zones.size());
    const std::vector<Sample*>& samples = group.group->sampleGroup->samples;
    const auto zoneTableOffset =
        static_cast<std::uint16_t>(kGroupHeaderSize + kInstrumentEntrySize * instrumentCount);
    const auto sampleTableOffset =
        static_cast<std::uint16_t>(zoneTableOffset + kZoneEntrySize * zoneCount);
    GroupHeader{group.length,
                kGroupHeaderSize,
                instrumentCount,
                zoneTableOffset,
                zoneCount,
                sampleTableOffset,
                static_cast<std::uint16_t>(samples.size()),
                group.sampleDataOffset}
        .Write(out);

    for (const MemberLayout& member : group.members) {
      const Instrument& instrument = *member.instrument;
      InstrumentEntry{instrument.name, instrument.soundId,
                      static_cast<std::uint16_t>(instrument.category), member.firstZone,
                      member.zoneCount}
          .Write(out);
    }
    for (const ZoneRecord& record : group.zones)
      ZoneEntry{record.zone->mapping, record.zone->parameters, record.sampleIndex}.Write(out);

    std::uint32_t offset = 0;
    for (const Sample* sample : samples) {
      const std::uint32_t bytesPerFrame = BytesPerFrame(*sample);
      const std::uint32_t dataEnd = offset + sample->frames * bytesPerFrame;
      SampleEntry{sample->name,
                  offset,
                  dataEnd,
                  sample->loopStart * bytesPerFrame,
                  sample->loopEnd * bytesPerFrame,
                  static_cast<std::int8_t>(sample->pitchCorrection),
                  static_cast<std::uint8_t>(sample->rootKey),
                  static_cast<std::uint8_t>(sample->channels),
                  16,
                  sample->sampleRate}
          .Write(out);
      offset = dataEnd + kSilentFrames * bytesPerFrame;
    }
    if (!flush(buffer)) return false;

    for (const Sample* sample : samples) {
      const std::size_t values = std::size_t{sample->frames} * sample->channels;
      for (std::size_t i = 0; i < values; ++i) {
        out.U16(static_cast<std::uint16_t>(sample->data[i]));
        if (buffer.size() >= kFlushSize && !flush(buffer)) return false;
      }
      out.Zeros(kSilentFrames * BytesPerFrame(*sample));
    }
    for (std::size_t i = 0; i < group.members.size(); ++i)
      ChunkHeader{kTagSiDp, kSiDpChunkSize, kVersion}.Write(out);
    if (!flush(buffer)) return false;
  }
  return flush(buffer);
}

}  // namespace

ExportResult SerializeExportSet(const ExportSet& set, std::vector<std::byte>& out) {
  out.clear();
  FileLayout layout;
  if (ExportResult result = LayOutFile(set, layout); !result) return result;
  out.reserve(layout.length);
  EmitFile(layout, out, [](std::vector<std::byte>&) { return true; });
  return {};
}

ExportResult WriteExportSet(const ExportSet& set, const std::filesystem::path& path) {
  // Everything is sized and checked first, so a set the format cannot hold creates no file.
  FileLayout layout;
  if (ExportResult result = LayOutFile(set, layout); !result) return result;

  AtomicFileWriter file(path);
  if (!file.Open())
    return Failure(ExportError::kCannotCreateFile, "cannot create the file: " + SystemError());
  std::vector<std::byte> buffer;
  const bool written = EmitFile(layout, buffer, [&file](std::vector<std::byte>& bytes) {
    const bool ok = file.Write(bytes);
    bytes.clear();
    return ok;
  });
  if (!written || !file.Commit())
    return Failure(ExportError::kWriteFailed, "writing the file failed: " + SystemError());
  return {};
}

}  // namespace tolvane
