// The settings store on Windows: the registry itself.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "ui/settings/settings_store.h"

namespace tolvane {
namespace {

class KeyHandle {
 public:
  // Opens with create-if-absent semantics, as every access does: the current user's root with
  // all access, the machine's for reading only.
  explicit KeyHandle(const SettingsKey& key) {
    const bool machine = key.root == SettingsRoot::kLocalMachine;
    char noClass[] = "";
    if (::RegCreateKeyExA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key.path.c_str(), 0,
                          noClass, REG_OPTION_NON_VOLATILE, machine ? KEY_READ : KEY_ALL_ACCESS,
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
  const char* const name = key.valueName.c_str();
  if (::RegQueryValueExA(handle.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return lookup;
  std::string data(size, '\0');
  // A value that grew in between reports ERROR_MORE_DATA and counts as missing.
  if (size > 0 && ::RegQueryValueExA(handle.get(), name, nullptr, &type,
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
    // The stored terminator may be missing or followed by more bytes.
    value.type = StoredSetting::Type::kText;
    value.text = data.substr(0, data.find('\0'));
  }
  lookup.value = std::move(value);
  return lookup;
}

bool WriteStoredSetting(const SettingsKey& key, const StoredSetting& value) {
  if (key.root != SettingsRoot::kCurrentUser) return false;
  const KeyHandle handle(key);
  if (handle.get() == nullptr) return false;
  const char* const name = key.valueName.c_str();
  switch (value.type) {
    case StoredSetting::Type::kNumber: {
      const BYTE bytes[4] = {static_cast<BYTE>(value.number), static_cast<BYTE>(value.number >> 8),
                             static_cast<BYTE>(value.number >> 16),
                             static_cast<BYTE>(value.number >> 24)};
      return ::RegSetValueExA(handle.get(), name, 0, REG_DWORD, bytes, sizeof bytes) ==
             ERROR_SUCCESS;
    }
    case StoredSetting::Type::kText:
      return ::RegSetValueExA(handle.get(), name, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.text.c_str()),
                              static_cast<DWORD>(value.text.size() + 1)) == ERROR_SUCCESS;
    case StoredSetting::Type::kOther:
      break;
  }
  return false;
}

}  // namespace tolvane

#endif  // _WIN32
