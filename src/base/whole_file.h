#pragma once
// Small files of the program's own (settings, the sound database) read whole, telling a file that
// is not there from one that is there but cannot be read: the second must never be replaced by
// what the program could not see.

#include <cstddef>
#include <filesystem>
#include <vector>

namespace tolvane {

enum class FileState {
  kAbsent,      // no file (or no folder) at the path
  kRead,        // `bytes` holds the whole file
  kUnreadable,  // something is there, but it could not be read whole
};

struct WholeFile {
  FileState state = FileState::kAbsent;
  std::vector<std::byte> bytes;
};

// Reads the regular file at `path` with plain reads (not a mapping: a file cut short by another
// program while it is read must not bring this one down). Anything but a regular file, a read
// error, and a file larger than `limit` bytes count as unreadable.
WholeFile ReadWholeFile(const std::filesystem::path& path, std::size_t limit);

// Serialises the read-change-write cycles of programs sharing files in one folder, so that one
// program's change is not lost to another's write. Holds an exclusive lock on the folder for its
// lifetime; without a folder to lock, accesses go on unserialised.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
#ifdef _WIN32
  void* mutex_ = nullptr;  // a named mutex's handle
#else
  int fd_ = -1;
#endif
};

}  // namespace tolvane
