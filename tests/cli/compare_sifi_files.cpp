// Compares two SiFi files written from the same input by two builds: every byte must be the same
// except the 16-bit sample values of each group's sample data, which may differ by at most
// TOLERANCE. Samples decoded from Vorbis streams come out of a math library of each platform's
// own, and its last bit is not ours to pin.
//
//   compare_sifi_files TOLERANCE FILE-A FILE-B
//
// Exits 0 and prints the count of values that differ when the files agree; otherwise names the
// first difference and exits 1 (2 when a file cannot be opened).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <span>
#include <string>

#include "base/bytes.h"
#include "base/mapped_file.h"
#include "sifi/file_chunks.h"
#include "sifi/sifi_format.h"

namespace tolvane {
namespace {

struct Outcome {
  bool same = true;
  std::size_t differentValues = 0;
  std::string first;  // the first difference beyond the tolerance, for people
};

void CompareExactly(std::span<const std::byte> a, std::span<const std::byte> b, std::size_t offset,
                    Outcome& outcome) {
  for (std::size_t i = 0; i < a.size() && outcome.same; ++i)
    if (a[i] != b[i]) {
      outcome.same = false;
      outcome.first = "byte " + std::to_string(offset + i) + " differs outside sample data";
    }
}

void CompareValues(std::span<const std::byte> a, std::span<const std::byte> b, std::size_t offset,
                   int tolerance, Outcome& outcome) {
  const std::size_t even = a.size() & ~std::size_t{1};
  for (std::size_t i = 0; i < even && outcome.same; i += 2) {
    const int difference = static_cast<std::int16_t>(LoadU16(a.data() + i)) -
                           static_cast<std::int16_t>(LoadU16(b.data() + i));
    if (difference == 0) continue;
    ++outcome.differentValues;
    if (std::abs(difference) > tolerance) {
      outcome.same = false;
      outcome.first = "sample value at byte " + std::to_string(offset + i) + " differs by " +
                      std::to_string(difference);
    }
  }
  CompareExactly(a.subspan(even), b.subspan(even), offset + even, outcome);
}

Outcome Compare(std::span<const std::byte> a, std::span<const std::byte> b, int tolerance) {
  Outcome outcome;
  const auto header = sifi::FileHeader::Read(a);
  if (a.size() != b.size() || !header) {
    outcome.same = false;
    outcome.first = a.size() != b.size() ? "the sizes differ" : "not a SiFi file";
    return outcome;
  }
  // Both files are walked by the first one's chunks: outside sample data they must be equal,
  // so the second one's chunks lie at the same places.
  CompareExactly(a.first(header->firstChunkOffset), b.first(header->firstChunkOffset), 0, outcome);
  sifi::FileChunks chunks(a, *header);
  std::size_t offset = header->firstChunkOffset;
  while (const auto chunk = chunks.Next()) {
    const std::size_t size = chunk->bytes.size();
    const auto other = b.subspan(offset, size);
    std::size_t dataStart = size;
    std::size_t dataEnd = size;
    if (chunk->header.tag == sifi::kTagSiIg)
      if (const auto group = sifi::GroupHeader::Read(chunk->bytes)) {
        dataStart = std::min<std::size_t>(group->sampleDataOffset, size);
        dataEnd = std::clamp<std::size_t>(group->length, dataStart, size);
      }
    CompareExactly(chunk->bytes.first(dataStart), other.first(dataStart), offset, outcome);
    CompareValues(chunk->bytes.subspan(dataStart, dataEnd - dataStart),
                  other.subspan(dataStart, dataEnd - dataStart), offset + dataStart, tolerance,
                  outcome);
    CompareExactly(chunk->bytes.subspan(dataEnd), other.subspan(dataEnd), offset + dataEnd,
                   outcome);
    offset += size;
  }
  if (outcome.same && !chunks.damage().empty()) {
    outcome.same = false;
    outcome.first = chunks.damage();
  }
  return outcome;
}

}  // namespace
}  // namespace tolvane

int main(int argc, char** argv) {
  const int tolerance = argc == 4 ? std::atoi(argv[1]) : -1;
  if (tolerance < 0) {
    std::cerr << "usage: compare_sifi_files TOLERANCE FILE-A FILE-B\n";
    return 2;
  }
  const auto a = tolvane::MappedFile::Open(argv[2]);
  const auto b = tolvane::MappedFile::Open(argv[3]);
  if (!a || !b) {
    std::cerr << "compare_sifi_files: cannot open " << (a ? argv[3] : argv[2]) << "\n";
    return 2;
  }
  const auto outcome = tolvane::Compare(a->bytes(), b->bytes(), tolerance);
  if (!outcome.same) {
    std::cerr << argv[3] << ": " << outcome.first << "\n";
    return 1;
  }
  std::cout << outcome.differentValues << "\n";
  return 0;
}
