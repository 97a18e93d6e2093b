#pragma once
// The second half of writing a SiFi file: the laid-out file as bytes, streamed in order to
// whatever takes them (memory or a file). Internal to the writer.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/bytes.h"
#include "export/sifi_layout.h"
#include "library/sample_data.h"
#include "sifi/sifi_format.h"

namespace tolvane::sifi_writing {

inline constexpr std::size_t kFlushSize = std::size_t{1} << 16;
// Sample data runs at least this long are handed on where they lie rather than through the
// buffer.
inline constexpr std::size_t kPassSize = std::size_t{1} << 12;

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

// A value times `gain`, rounded and kept within 16 bits.
inline std::int16_t ScaledValue(std::int16_t value, double gain) {
  const double scaled = std::round(value * gain);
  return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

// Appends the first `count` values of `data`, times `gain`, as EmitValues does. Values held as
// two planes, or scaled, are copied a block at a time, each block short enough to join the
// buffer (a run handed to `pass` must stay where it lies until written).
template <typename Flush, typename Pass>
bool EmitSampleData(const SampleData& data, std::size_t count, double gain,
                    std::vector<std::byte>& buffer, Flush& flush, Pass& pass) {
  const bool scaled = gain != 1.0;
  if (!data.planar() && !scaled)
    return EmitValues(data.interleaved().first(count), buffer, flush, pass);
  std::array<std::int16_t, kPassSize / 4> block{};
  static_assert(sizeof(block) < kPassSize);
  for (std::size_t from = 0; from < count; from += block.size()) {
    const std::span<std::int16_t> part =
        std::span(block).first(std::min(block.size(), count - from));
    data.CopyInterleaved(from, part);
    if (scaled)
      for (std::int16_t& value : part) value = ScaledValue(value, gain);
    if (!EmitValues(std::span<const std::int16_t>(part), buffer, flush, pass)) return false;
  }
  return true;
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
  sifi::FileHeader{layout.length, sifi::kVersion, static_cast<std::uint16_t>(layout.groups.size()),
                   sifi::kFileHeaderSize}
      .Write(out);

  for (const GroupLayout& group : layout.groups) {
    WriteGroupTables(group, out);
    if (!flush(buffer)) return false;
    for (const Sample* sample : group.samplesWritten) {
      const std::size_t values = std::size_t{sample->frames} * sample->channels;
      if (!EmitSampleData(WrittenValues(*group.group, *sample), values, group.group->gain, buffer,
                          flush, pass))
        return false;
      out.Zeros(std::size_t{sifi::kSilentFrames} * BytesPerFrame(*sample));
    }
    for (std::size_t i = 0; i < group.members.size(); ++i)
      sifi::ChunkHeader{sifi::kTagSiDp, sifi::kSiDpChunkSize, sifi::kVersion}.Write(out);
    if (!flush(buffer) || !groupDone(static_cast<std::size_t>(&group - layout.groups.data()) + 1))
      return false;
  }
  return flush(buffer);
}

}  // namespace tolvane::sifi_writing
