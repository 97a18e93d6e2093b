// The settings store on Windows: the registry itself. Key paths, value names and texts cross
// into the registry as UTF-16 (its own form), so that a folder named in any script is kept and
// other programs read it as it is.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>

#include "base/paths.h"
#include "ui/settings/settings_store.h"

namespace tolvane {
namespace {

std::wstring Wide(const std::string& utf8) {
  return PathFromUtf8(utf8).native();
}

std::string Utf8(std::wstring wide) {
  return PathToUtf8(std::filesystem::path(std::move(wide)));
}

class KeyHandle {
 public:
  // Opens with create-if-absent semantics, as every access does: the current user's root with
  // all access, the machine's for reading only.
  explicit KeyHandle(const SettingsKey& key) {
    const bool machine = key.root == SettingsRoot::kLocalMachine;
    wchar_t noClass[] = L"";
    if (::RegCreateKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Wide(key.path).c_str(),
                          0, noClass, REG_OPTION_NON_VOLATILE, machine ? KEY_READ : KEY_ALL_ACCESS,
                          nullptr, &handle_, nullptr) != ERROR_SUCCESS)
      handle_ = nullptr;
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() {
    if (handle_ != nullptr) ::RegCloseKey(handle_);
  }

  HKEY get() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

}  // namespace

bool OpenStoreKey(const SettingsKey& key) {
  return KeyHandle(key).get() != nullptr;
}

SettingLookup LookUpStoredSetting(const SettingsKey& key) {
  const KeyHandle handle(key);
  if (handle.get() == nullptr) return {};
  SettingLookup lookup{true, std::nullopt};
  DWORD type = 0;
  DWORD size = 0;
  const std::wstring name = Wide(key.valueName);
  if (::RegQueryValueExW(handle.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return lookup;
  std::string data(size, '\0');
  // A value that grew in between reports ERROR_MORE_DATA and counts as missing.
  if (size > 0 && ::RegQueryValueExW(handle.get(), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return lookup;
  data.resize(size);
  StoredSetting value;
  if (type == REG_DWORD && data.size() == 4) {
    value.type = StoredSetting::Type::kNumber;
    for (int i = 3; i >= 0; --i)
      value.number =
          (value.number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
  } else if (type == REG_SZ) {
    // UTF-16 units, little-endian; the stored terminator may be missing or followed by more.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(data[i]) |
                                             (static_cast<unsigned char>(data[i + 1]) << 8));
      if (unit == L'\0') break;
      text.push_back(unit);
    }
    value.type = StoredSetting::Type::kText;
    value.text = Utf8(std::move(text));
  }
  lookup.value = std::move(value);
  return lookup;
}

bool WriteStoredSetting(const SettingsKey& key, const StoredSetting& value) {
  if (key.root != SettingsRoot::kCurrentUser) return false;
  const KeyHandle handle(key);
  if (handle.get() == nullptr) return false;
  const std::wstring name = Wide(key.valueName);
  switch (value.type) {
    case StoredSetting::Type::kNumber: {
      const BYTE bytes[4] = {static_cast<BYTE>(value.number), static_cast<BYTE>(value.number >> 8),
                             static_cast<BYTE>(value.number >> 16),
                             static_cast<BYTE>(value.number >> 24)};
      return ::RegSetValueExW(handle.get(), name.c_str(), 0, REG_DWORD, bytes, sizeof bytes) ==
             ERROR_SUCCESS;
    }
    case StoredSetting::Type::kText: {
      const std::wstring text = Wide(value.text);
      return ::RegSetValueExW(
                 handle.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    case StoredSetting::Type::kOther:
      break;
  }
  return false;
}

}  // namespace tolvane

#endif  // _WIN32
