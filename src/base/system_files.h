#pragma once
// The few system calls behind the file classes of this folder, one implementation for each
// system (the *_posix.cpp files and windows/); what the classes do around them is written once,
// in atomic_file.cpp, mapped_file.cpp and whole_file.cpp.

#include <cstddef>
#include <filesystem>
#include <span>

#include "base/whole_file.h"

namespace tolvane::system {

// Reads into `buffer`: the count read, 0 at the end of the file, below 0 on an error.
std::ptrdiff_t ReadSome(int fd, std::span<std::byte> buffer);
// Both true on success.
bool Sync(int fd);
bool Close(int fd);
// Moves `from` over `to`, replacing a file there. (Not ReplaceFile: windows.h takes that name.)
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);
void RemoveFile(const std::filesystem::path& path);

void Unmap(const std::byte* data, std::size_t size);
std::size_t PageSize();
// Tells the system that these whole pages of a mapping will not be needed again.
void DropPages(const std::byte* data, std::size_t size);

// The rest of ReadWholeFile once the file is open and known to be a regular file of `size`
// bytes (at most `limit`): reads it whole and closes it.
WholeFile ReadOpenedFile(int fd, std::size_t size, std::size_t limit);

}  // namespace tolvane::system
