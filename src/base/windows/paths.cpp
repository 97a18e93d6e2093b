// Where the program and its files live on Windows, and UTF-8 paths.

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "base/paths.h"

namespace tolvane {
namespace {

std::filesystem::path FolderFromEnvironment(const wchar_t* variable) {
  const wchar_t* value = ::_wgetenv(variable);
  if (value == nullptr) return {};
  std::filesystem::path folder(value);
  // A relative folder would depend on where the program was started.
  return folder.is_absolute() ? folder : std::filesystem::path();
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int size = static_cast<int>(utf8.size());
  // Without MB_ERR_INVALID_CHARS ill-formed sequences become U+FFFD.
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return std::filesystem::path(std::move(wide));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::filesystem::path ProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // A full buffer may have cut the name short.
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(std::move(buffer));
    }
    if (buffer.size() >= 32768) return {};  // longer than any path Windows allows
    buffer.resize(buffer.size() * 2);
  }
}

bool IsFolderWritable(const std::filesystem::path& folder) {
  const auto& target = folder.empty() ? std::filesystem::path(".") : folder;
  // Read-only attributes, access lists and virtualised folders all decide this; only creating a
  // file tells. It deletes itself when closed.
  const auto probe = target / (L".tolvane-write-test-" + std::to_wstring(::GetCurrentProcessId()) +
                               L"-" + std::to_wstring(::GetTickCount64()));
  const HANDLE file = ::CreateFileW(
      probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

std::filesystem::path UserDataFolder() {
  return FolderFromEnvironment(L"LOCALAPPDATA");
}

std::filesystem::path UserConfigFolder() {
  return FolderFromEnvironment(L"APPDATA");
}

}  // namespace tolvane
