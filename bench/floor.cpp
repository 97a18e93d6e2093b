// The least a converter that keeps its own copy of every sample can do with a SoundFont 2 bank:
// map the bank, find its sample data, copy it once into memory of its own (giving back the mapped
// pages as they are copied, as the converter does) and write that copy to a file.
//
//   bench_floor [--no-sync] BANK OUT
//
// By default OUT is written the way the converter writes its files, through AtomicFileWriter:
// a temporary file written around the system's cache where it can be, fsync, rename. --no-sync
// writes OUT in place without fsync, to show how much of the time the durability costs. Prints the
// number of sample bytes written.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/mapped_file.h"

namespace {

using tolvane::FourCC;
using tolvane::LoadU32;
using tolvane::RangeFits;

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kListHeaderSize = 12;  // "LIST", size, list type
// Copied, then released, a slice at a time: small against the bank, large against a page.
constexpr std::size_t kSliceSize = std::size_t{4} << 20;

struct Range {
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The first chunk `id` among the chunks of [begin, end).
std::optional<Range> FindChunk(std::span<const std::byte> file, std::size_t begin, std::size_t end,
                               std::uint32_t id, std::uint32_t listType) {
  std::size_t position = begin;
  while (position + kChunkHeaderSize <= end) {
    const std::uint32_t chunkId = LoadU32(file.data() + position);
    const std::size_t size = LoadU32(file.data() + position + 4);
    const std::size_t data = position + kChunkHeaderSize;
    if (!RangeFits(end, data, size)) return std::nullopt;
    if (chunkId == id && (listType == 0 || (size >= 4 && LoadU32(file.data() + data) == listType)))
      return Range{data, size};
    position = data + size + (size & 1);
  }
  return std::nullopt;
}

// The "smpl" data of a SoundFont 2 bank: RIFF "sfbk" -> LIST "sdta" -> "smpl".
std::optional<Range> FindSampleData(std::span<const std::byte> file) {
  if (file.size() < kListHeaderSize || LoadU32(file.data()) != FourCC("RIFF") ||
      LoadU32(file.data() + 8) != FourCC("sfbk"))
    return std::nullopt;
  const std::size_t riffEnd =
      std::min(file.size(), kChunkHeaderSize + std::size_t{LoadU32(file.data() + 4)});
  const auto list = FindChunk(file, kListHeaderSize, riffEnd, FourCC("LIST"), FourCC("sdta"));
  if (!list) return std::nullopt;
  return FindChunk(file, list->offset + 4, list->offset + list->size, FourCC("smpl"), 0);
}

bool WritePlain(const char* path, std::span<const std::byte> bytes) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const std::byte* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ::close(fd);
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return ::close(fd) == 0;
}

int Fail(const char* what, const char* path) {
  std::fprintf(stderr, "bench_floor: %s: %s\n", path, what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool sync = true;
  int first = 1;
  if (argc > 1 && std::string_view(argv[1]) == "--no-sync") {
    sync = false;
    first = 2;
  }
  if (argc - first != 2) {
    std::fprintf(stderr, "usage: bench_floor [--no-sync] BANK OUT\n");
    return 2;
  }
  const char* const bankPath = argv[first];
  const char* const outPath = argv[first + 1];

  const auto bank = tolvane::MappedFile::Open(bankPath);
  if (!bank) return Fail("cannot map the file", bankPath);
  const auto samples = FindSampleData(bank->bytes());
  if (!samples) return Fail("no SoundFont 2 sample data", bankPath);

  // Uninitialised: filling it first would touch every page twice, which a floor must not.
  const auto copy = std::make_unique_for_overwrite<std::byte[]>(samples->size);
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::size_t released = samples->offset / page * page;  // whole pages from here on not yet
  for (std::size_t done = 0; done < samples->size; done += kSliceSize) {
    const std::size_t length = std::min(kSliceSize, samples->size - done);
    std::memcpy(copy.get() + done, bank->bytes().data() + samples->offset + done, length);
    const std::size_t end = samples->offset + done + length;
    bank->Release(released, end - released);
    released = end / page * page;
  }

  const std::span<const std::byte> bytes(copy.get(), samples->size);
  const bool written =
      sync ? tolvane::WriteFileAtomically(outPath, bytes, tolvane::WriteCaching::kBypassCache)
           : WritePlain(outPath, bytes);
  if (!written) return Fail(std::strerror(errno), outPath);
  std::printf("%zu\n", samples->size);
  return 0;
}
