#pragma once
// The few system calls behind the file classes of this folder, one implementation for each
// system (the *_posix.cpp files and windows/); what the classes do around them is written once,
// in atomic_file.cpp, mapped_file.cpp and whole_file.cpp.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "base/whole_file.h"

namespace tolvane::system {

// Reads into `buffer`: the count read, 0 at the end of the file, below 0 on an error.
std::ptrdiff_t ReadSome(int fd, std::span<std::byte> buffer);
// The calls below that return an error_code return the failing call's error, taken before
// anything else could change it, and an empty one on success.

// Creates `path` for writing, failing with errc::file_exists if anything has that name. New
// files get the permissions the user's umask (or Windows) gives them. Sets `fd` on success.
std::error_code CreateNewFile(const std::filesystem::path& path, int& fd);
std::error_code Sync(int fd);
std::error_code Close(int fd);
// Moves `from` over `to`, replacing a file there. (Not ReplaceFile: windows.h takes that name.)
std::error_code MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);
// Makes the names renamed into `folder` (empty: the current one) outlast a crash. Succeeds
// where the system cannot sync a folder, or needs not (Windows: MoveOver writes through).
std::error_code SyncFolder(const std::filesystem::path& folder);
void RemoveFile(const std::filesystem::path& path);
// Tells this process's temporary files from other processes'.
unsigned long ProcessId();
// Different for every call in this process: "." and ASCII digits, for temporary file names.
std::string TemporarySuffix();

void Unmap(const std::byte* data, std::size_t size);
std::size_t PageSize();
// Tells the system that these whole pages of a mapping will not be needed again.
void DropPages(const std::byte* data, std::size_t size);

// The rest of ReadWholeFile once the file is open and known to be a regular file of `size`
// bytes (at most `limit`): reads it whole and closes it.
WholeFile ReadOpenedFile(int fd, std::size_t size, std::size_t limit);

}  // namespace tolvane::system
