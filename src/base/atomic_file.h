#pragma once
// Replacing a file only after its new content was written completely.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>

namespace tolvane {

// How a file's bytes reach the disk.
enum class WriteCaching {
  // Through the system's file cache, as programs usually write.
  kSystemCache,
  // Around it where the file system allows (O_DIRECT), for large files written once: the system
  // then neither copies every byte into fresh cache pages nor writes them out again at the sync,
  // which for a file of some hundred MB costs more than the writing itself. Bytes are gathered
  // into aligned blocks first; the last partial block, and everything on a file system that
  // refuses it, goes through the cache.
  kBypassCache,
};

// Writes a new file in the target's folder and renames it over `target` only after every byte
// was written and flushed, then syncs the folder so that the new name outlasts a crash. On any
// failure before the rename the temporary file is removed, `target` stays as it was, and the
// result is false. A new file gets the permissions the umask gives it, a replaced one keeps its
// own; the writer never changes the process's umask, so other threads may create files meanwhile.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target,
                            WriteCaching caching = WriteCaching::kSystemCache);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();  // abandons an uncommitted file

  bool Open();
  // Appends bytes; after a failed write every later call fails too.
  bool Write(std::span<const std::byte> bytes);
  bool Write(std::string_view text);
  // Appends the pieces one after another, handed to the system together: one large write lets
  // it take the file's pages in large units, where many small ones would each cost their own.
  bool WritePieces(std::span<const std::span<const std::byte>> pieces);
  // Flushes, syncs and renames into place, then syncs the folder. False leaves the target
  // untouched, except when only the folder's sync failed: the new content is then in place, but
  // a crash may still undo the rename.
  bool Commit();
  void Abandon();
  // Why the writer failed: the error of the first system call that failed since Open, empty
  // while none has. Calls made before Open (or after Commit) fail with bad_file_descriptor.
  const std::error_code& error() const { return error_; }

 private:
  // Writes out what is still held back; Commit calls it before the sync.
  bool FinishWrites();
  // While the cache is bypassed: gathers `bytes` into the blocks, writing them whenever full.
  bool Stage(std::span<const std::byte> bytes);
  // Writes the whole blocks gathered so far, and any rest through the cache after them. Called
  // with full blocks, and once at the end.
  bool WriteStaged();
  bool WriteThrough(std::span<const std::byte> bytes);
  // Sets the newly created temporary file up for the writes to come.
  void BeginWrites();
  // Marks the writer failed with `error`, unless an earlier failure named the reason; false.
  bool Fail(std::error_code error);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  WriteCaching caching_;
  int fd_ = -1;
  bool failed_ = false;
  std::error_code error_;
  bool bypassing_ = false;
  std::unique_ptr<std::byte[]> blockMemory_;
  std::span<std::byte> blocks_;  // aligned, inside blockMemory_
  std::size_t staged_ = 0;
};

// Convenience: the whole content at once.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes,
                         WriteCaching caching = WriteCaching::kSystemCache);
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text);

}  // namespace tolvane
