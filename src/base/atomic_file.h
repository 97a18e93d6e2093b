#pragma once
// Replacing a file only after its new content was written completely.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string_view>

namespace tolvane {

// Writes a new file in the target's folder and renames it over `target` only after every byte
// was written and flushed. On any failure the temporary file is removed, `target` stays as it
// was, and the result is false.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target);
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
  // Flushes, syncs and renames into place. False leaves the target untouched.
  bool Commit();
  void Abandon();

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  bool failed_ = false;
};

// Convenience: the whole content at once.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes);
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text);

}  // namespace tolvane
