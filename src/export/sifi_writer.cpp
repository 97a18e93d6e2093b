#include "export/sifi_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "sifi/sifi_format.h"

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
  std::vector<SampleEntry> samples;  // the sample table, every offset checked to fit its field
  GroupHeader header;
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

// The sample table entry of `sample`, whose data starts `offset` bytes into the group's sample
// data. Offsets are counted in 64 bits; one that does not fit its 32-bit field is refused.
ExportResult LayOutSample(const ExportGroup& group, const Sample& sample, std::uint64_t offset,
                          SampleEntry& entry) {
  const std::uint64_t bytesPerFrame = BytesPerFrame(sample);
  const std::uint64_t dataEnd = offset + sample.frames * bytesPerFrame;
  const std::uint64_t loopStart = sample.loopStart * bytesPerFrame;
  const std::uint64_t loopEnd = sample.loopEnd * bytesPerFrame;
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  if (dataEnd > kLargest || loopStart > kLargest || loopEnd > kLargest) {
    return Failure(ExportError::kFileTooLarge, GroupLabel(group) + ": sample " + sample.name +
                                                   " lies past the 4 GiB a file can address");
  }
  entry = SampleEntry{sample.name,
                      static_cast<std::uint32_t>(offset),
                      static_cast<std::uint32_t>(dataEnd),
                      static_cast<std::uint32_t>(loopStart),
                      static_cast<std::uint32_t>(loopEnd),
                      static_cast<std::int8_t>(sample.pitchCorrection),
                      static_cast<std::uint8_t>(sample.rootKey),
                      static_cast<std::uint8_t>(sample.channels),
                      16,
                      sample.sampleRate};
  return {};
}

// Files the group's instruments and the zones that play a sample of the group.
void LayOutMembers(const ExportGroup& group,
                   const std::unordered_map<const Sample*, std::uint16_t>& indexOf,
                   GroupLayout& layout) {
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
    SampleEntry& entry = layout.samples.emplace_back();
    if (ExportResult result = LayOutSample(group, sample, dataSize, entry); !result) return result;
    dataSize += (std::uint64_t{sample.frames} + kSilentFrames) * BytesPerFrame(sample);
  }
  LayOutMembers(group, indexOf, layout);

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
    length += groupLayout.header.length + kSiDpChunkSize * groupLayout.members.size();
  }
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    return Failure(ExportError::kFileTooLarge,
                   "the file needs " + std::to_string(length) + " bytes, at most " +
                       std::to_string(std::numeric_limits<std::uint32_t>::max()) + " fit");
  }
  layout.length = static_cast<std::uint32_t>(length);
  return {};
}

constexpr std::size_t kFlushSize = std::size_t{1} << 16;
// Sample data runs at least this long are handed on where they lie rather than through the
// buffer.
constexpr std::size_t kPassSize = std::size_t{1} << 12;

// Appends sample values as the file stores them, little-endian 16-bit. On a little-endian host
// that is the values' own memory: a run long enough goes to `pass` as it is (after `flush` has had
// what came before), a short one joins the buffer. These runs are nearly every byte of a file,
// so they are never taken one value at a time there.
template <typename Flush, typename Pass>
bool EmitValues(std::span<const std::int16_t> values, std::vector<std::byte>& buffer, Flush& flush,
                Pass& pass) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::span<const std::byte> bytes = std::as_bytes(values);
    if (bytes.size() >= kPassSize) return flush(buffer) && pass(bytes);
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
    return buffer.size() < kFlushSize || flush(buffer);
  } else {
    ByteWriter out(buffer);
    for (const std::int16_t value : values) {
      out.U16(static_cast<std::uint16_t>(value));
      if (buffer.size() >= kFlushSize && !flush(buffer)) return false;
    }
    return true;
  }
}

// Appends the first `count` values of `data` as EmitValues does. Values held as two planes are
// interleaved a block at a time, each block short enough to join the buffer (a run handed to
// `pass` must stay where it lies until written).
template <typename Flush, typename Pass>
bool EmitSampleData(const SampleData& data, std::size_t count, std::vector<std::byte>& buffer,
                    Flush& flush, Pass& pass) {
  if (!data.planar()) return EmitValues(data.interleaved().first(count), buffer, flush, pass);
  std::array<std::int16_t, kPassSize / 4> block{};
  static_assert(sizeof(block) < kPassSize);
  for (std::size_t from = 0; from < count; from += block.size()) {
    const std::span<std::int16_t> part =
        std::span(block).first(std::min(block.size(), count - from));
    data.CopyInterleaved(from, part);
    if (!EmitValues(std::span<const std::int16_t>(part), buffer, flush, pass)) return false;
  }
  return true;
}

// The group chunk's header and its three tables, as laid out.
void WriteGroupTables(const GroupLayout& group, ByteWriter& out) {
  group.header.Write(out);
  for (const MemberLayout& member : group.members) {
    const Instrument& instrument = *member.instrument;
    InstrumentEntry{instrument.name, instrument.soundId,
                    static_cast<std::uint16_t>(instrument.category), member.firstZone,
                    member.zoneCount}
        .Write(out);
  }
  for (const ZoneRecord& record : group.zones)
    ZoneEntry{record.zone->mapping, record.zone->parameters, record.sampleIndex}.Write(out);
  for (const SampleEntry& entry : group.samples) entry.Write(out);
}

// Streams the laid-out file: its bytes gather in `buffer`, which goes to `flush` whenever it has
// grown large and once at the end; long runs of sample data go straight to `pass`. `flush`
// decides whether to empty the buffer, `pass` must put its bytes behind what `flush` was given;
// false from either stops the writing.
// `groupDone(n)` hears that n groups are out; false from it stops the writing too.
template <typename Flush, typename Pass, typename GroupDone>
bool EmitFile(const FileLayout& layout, std::vector<std::byte>& buffer, Flush&& flush, Pass&& pass,
              GroupDone&& groupDone) {
  ByteWriter out(buffer);
  FileHeader{layout.length, kVersion, static_cast<std::uint16_t>(layout.groups.size()),
             kFileHeaderSize}
      .Write(out);

  for (const GroupLayout& group : layout.groups) {
    WriteGroupTables(group, out);
    if (!flush(buffer)) return false;
    for (const Sample* sample : group.group->sampleGroup->samples) {
      const std::size_t values = std::size_t{sample->frames} * sample->channels;
      if (!EmitSampleData(sample->data, values, buffer, flush, pass)) return false;
      out.Zeros(std::size_t{kSilentFrames} * BytesPerFrame(*sample));
    }
    for (std::size_t i = 0; i < group.members.size(); ++i)
      ChunkHeader{kTagSiDp, kSiDpChunkSize, kVersion}.Write(out);
    if (!flush(buffer) || !groupDone(static_cast<std::size_t>(&group - layout.groups.data()) + 1))
      return false;
  }
  return flush(buffer);
}

// Hands a file's bytes to the system in large gathered writes: what EmitFile put in its buffer
// (kept here until written) and the runs of sample data it passes on, read where they lie. Many
// small writes would cost the system a page at a time; one large write lets it take them in
// large units.
class GatheredWrites {
 public:
  explicit GatheredWrites(AtomicFileWriter& file) : file_(file) {}

  bool Flush(std::vector<std::byte>& buffer) {
    if (!buffer.empty()) {
      pieces_.push_back({nullptr, held_.size(), buffer.size()});
      held_.insert(held_.end(), buffer.begin(), buffer.end());
      pending_ += buffer.size();
      buffer.clear();
    }
    return pending_ < kGatherSize || WriteOut();
  }

  // `bytes` must stay where they are until the next WriteOut.
  bool Pass(std::span<const std::byte> bytes) {
    pieces_.push_back({bytes.data(), 0, bytes.size()});
    pending_ += bytes.size();
    return pending_ < kGatherSize || WriteOut();
  }

  bool WriteOut() {
    std::vector<std::span<const std::byte>> spans;
    spans.reserve(pieces_.size());
    for (const Piece& piece : pieces_) {
      spans.push_back(piece.data != nullptr
                          ? std::span(piece.data, piece.size)
                          : std::span<const std::byte>(held_).subspan(piece.offset, piece.size));
    }
    const bool written = file_.WritePieces(spans);
    pieces_.clear();
    held_.clear();
    pending_ = 0;
    return written;
  }

 private:
  // Large enough for the system's largest units, small against the file.
  static constexpr std::size_t kGatherSize = std::size_t{8} << 20;

  struct Piece {
    const std::byte* data = nullptr;  // none: `size` bytes at `offset` in `held_`
    std::size_t offset = 0;
    std::size_t size = 0;
  };

  AtomicFileWriter& file_;
  std::vector<std::byte> held_;
  std::vector<Piece> pieces_;
  std::size_t pending_ = 0;
};

}  // namespace

ExportResult SerializeExportSet(const ExportSet& set, std::vector<std::byte>& out) {
  out.clear();
  FileLayout layout;
  if (ExportResult result = LayOutFile(set, layout); !result) return result;
  out.reserve(layout.length);
  EmitFile(
      layout, out, [](std::vector<std::byte>&) { return true; },
      [&out](std::span<const std::byte> bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return true;
      },
      [](std::size_t) { return true; });
  return {};
}

ExportResult WriteExportSet(const ExportSet& set, const std::filesystem::path& path,
                            WorkProgress* progress) {
  // Everything is sized and checked first, so a set the format cannot hold creates no file.
  FileLayout layout;
  if (ExportResult result = LayOutFile(set, layout); !result) return result;

  AtomicFileWriter file(path, WriteCaching::kBypassCache);
  if (!file.Open())
    return Failure(ExportError::kCannotCreateFile, "cannot create the file: " + SystemError());
  std::vector<std::byte> buffer;
  GatheredWrites writes(file);
  const std::size_t groups = layout.groups.size();
  const bool written =
      EmitFile(
          layout, buffer, [&writes](std::vector<std::byte>& bytes) { return writes.Flush(bytes); },
          [&writes](std::span<const std::byte> bytes) { return writes.Pass(bytes); },
          [progress, groups](std::size_t done) {
            ReportStep(progress, kWritingGroupsStep, done, groups);
            return !WorkCancelled(progress);
          }) &&
      writes.WriteOut();
  // The writer, going out of scope uncommitted, takes its temporary file with it.
  if (WorkCancelled(progress)) return Failure(ExportError::kCancelled, "export cancelled");
  if (!written || !file.Commit())
    return Failure(ExportError::kWriteFailed, "writing the file failed: " + SystemError());
  return {};
}

}  // namespace tolvane
