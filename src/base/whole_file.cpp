#include "base/whole_file.h"

#include <utility>

#include "base/system_files.h"

namespace tolvane::system {

WholeFile ReadOpenedFile(int fd, std::size_t size, std::size_t limit) {
  WholeFile file;
  file.state = FileState::kUnreadable;
  std::vector<std::byte> bytes(size + 1);
  std::size_t got = 0;
  while (true) {
    const std::ptrdiff_t read = ReadSome(fd, std::span(bytes).subspan(got));
    if (read == 0) break;
    if (read < 0) {
      Close(fd);
      return file;
    }
    got += static_cast<std::size_t>(read);
    if (got > limit) break;
    // Grown since its size was taken: read on, up to one byte past the limit.
    if (got == bytes.size()) bytes.resize(limit + 1);
  }
  Close(fd);
  if (got > limit) return file;
  bytes.resize(got);
  file.bytes = std::move(bytes);
  file.state = FileState::kRead;
  return file;
}

}  // namespace tolvane::system
