#pragma once
// The first half of writing a SiFi file: every group chunk sized, its tables built and every
// count and offset checked to fit its field, before a byte is written. Internal to the writer.

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "export/export_set.h"
#include "export/sifi_writer.h"
#include "sifi/sifi_format.h"

namespace tolvane::sifi_writing {

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
  // The samples written, in table order: every sample of the group, or of a part of a group
  // split to fit, the samples its instruments play.
  std::vector<const Sample*> samplesWritten;
  std::vector<MemberLayout> members;
  std::vector<ZoneRecord> zones;
  std::vector<sifi::SampleEntry> samples;  // the sample table, every offset checked to fit
  sifi::GroupHeader header;
};

struct FileLayout {
  std::vector<GroupLayout> groups;
  std::uint32_t length = sifi::kFileHeaderSize;
};

inline std::uint32_t BytesPerFrame(const Sample& sample) {
  return 2 * sample.channels;
}

// Lays out every group of `set` into `layout`, or names why the file cannot hold the set. A group
// whose tables do not fit one chunk is laid out as several (each split is named in the result).
// Sets each written sample's `exportIndex`. `layout` points into `set`, which must outlive it.
ExportResult LayOutFile(const ExportSet& set, FileLayout& layout);

// The group chunk's header and its three tables, as laid out.
void WriteGroupTables(const GroupLayout& group, ByteWriter& out);

}  // namespace tolvane::sifi_writing
