// The settings store on systems without a registry: a registry text file per root, the current
// user's in the user's configuration folder, the machine's in the system's (never written).
#ifndef _WIN32

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "base/atomic_file.h"
#include "base/paths.h"
#include "base/whole_file.h"
#include "ui/settings/registry_text.h"
#include "ui/settings/settings_store.h"

namespace tolvane {
namespace {

constexpr std::string_view kStoreFolder = "Kestrum";
constexpr std::string_view kStoreFile = "Norvadex.reg";
// Settings files are tiny; anything this large is not one, and is left alone.
constexpr std::size_t kLargestStore = std::size_t{16} << 20;

std::filesystem::path UserStorePath() {
  const std::filesystem::path folder = UserConfigFolder();
  if (folder.empty()) return {};
  return folder / kStoreFolder / kStoreFile;
}

// The first absolute folder of $XDG_CONFIG_DIRS, else /etc/xdg.
std::filesystem::path MachineStorePath() {
  std::filesystem::path folder = "/etc/xdg";
  if (const char* const folders = std::getenv("XDG_CONFIG_DIRS")) {
    std::string_view rest = folders;
    while (!rest.empty()) {
      const auto colon = rest.find(':');
      const std::string_view entry = rest.substr(0, colon);
      if (entry.starts_with('/')) {
        folder = entry;
        break;
      }
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  return folder / kStoreFolder / kStoreFile;
}

std::string KeyName(const SettingsKey& key) {
  std::string name =
      key.root == SettingsRoot::kLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  if (!key.path.empty()) {
    name += '\\';
    name += key.path;
  }
  return name;
}

// A store file: what is in it, and whether it could be read at all. An unreadable one must not
// be replaced by what the program could not see.
struct Store {
  FileState state = FileState::kAbsent;
  RegistryDocument document;
};

Store ReadStore(const std::filesystem::path& path) {
  const WholeFile file = ReadWholeFile(path, kLargestStore);
  Store store{file.state, {}};
  if (file.state == FileState::kRead) store.document = ParseRegistryText(file.bytes);
  return store;
}

bool SaveStore(const std::filesystem::path& path, const RegistryDocument& document) {
  // Write through a symbolic link, so that a linked settings file stays linked.
  std::filesystem::path target = path;
  std::error_code error;
  if (std::filesystem::is_symlink(path, error)) {
    const auto resolved = std::filesystem::weakly_canonical(path, error);
    if (error) return false;
    target = resolved;
  }
  return WriteFileAtomically(target, FormatRegistryText(document));
}

// One access to the current user's store: the folder locked, the file read, the key opened.
class UserAccess {
 public:
  UserAccess() : path_(UserStorePath()), lock_(PrepareFolder(path_)) {
    if (!path_.empty()) store_ = ReadStore(path_);
  }

  // The key, created and saved when missing. `opened` false when it cannot be created; `key`
  // null when the file cannot be read, so nothing can be found in it.
  struct Opened {
    bool opened = false;
    RegistryKey* key = nullptr;
  };
  Opened Open(const SettingsKey& settingsKey, bool saveNewKey) {
    const std::string name = KeyName(settingsKey);
    if (path_.empty() || !FitsOnRegistryLine(name)) return {};
    if (store_.state == FileState::kUnreadable) return {true, nullptr};
    if (RegistryKey* const key = FindRegistryKey(store_.document, name)) return {true, key};
    RegistryKey& added = FindOrAddRegistryKey(store_.document, name);
    if (saveNewKey && !Save()) return {};
    return {true, &added};
  }

  bool Save() {
    if (store_.state == FileState::kUnreadable || !SaveStore(path_, store_.document)) return false;
    store_.state = FileState::kRead;
    return true;
  }

 private:
  static std::filesystem::path PrepareFolder(const std::filesystem::path& path) {
    if (path.empty()) return {};
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    return path.parent_path();
  }

  std::filesystem::path path_;
  FolderLock lock_;
  Store store_;
};

std::optional<StoredSetting> ToStoredSetting(const RegistryEntry* entry) {
  if (entry == nullptr) return std::nullopt;
  switch (entry->kind) {
    case RegistryEntryKind::kNumber:
      return StoredSetting{StoredSetting::Type::kNumber, entry->number, {}};
    case RegistryEntryKind::kText:
      return StoredSetting{StoredSetting::Type::kText, 0,
                           entry->data.substr(0, entry->data.find('\0'))};
    case RegistryEntryKind::kOther:
    case RegistryEntryKind::kLine:
      break;
  }
  return StoredSetting{};
}

// A machine key that is not there cannot be opened: that root is never created.
const RegistryKey* FindMachineKey(const Store& machine, const SettingsKey& key) {
  return machine.state == FileState::kRead ? FindRegistryKey(machine.document, KeyName(key))
                                           : nullptr;
}

}  // namespace

bool OpenStoreKey(const SettingsKey& key) {
  if (key.root == SettingsRoot::kLocalMachine)
    return FindMachineKey(ReadStore(MachineStorePath()), key) != nullptr;
  UserAccess access;
  return access.Open(key, true).opened;
}

SettingLookup LookUpStoredSetting(const SettingsKey& key) {
  if (key.root == SettingsRoot::kLocalMachine) {
    const Store machine = ReadStore(MachineStorePath());
    const RegistryKey* const found = FindMachineKey(machine, key);
    if (found == nullptr) return {};
    return {true, ToStoredSetting(FindRegistryValue(*found, key.valueName))};
  }
  UserAccess access;
  const auto opened = access.Open(key, true);
  if (!opened.opened) return {};
  if (opened.key == nullptr) return {true, std::nullopt};
  return {true, ToStoredSetting(FindRegistryValue(*opened.key, key.valueName))};
}

bool WriteStoredSetting(const SettingsKey& key, const StoredSetting& value) {
  if (key.root != SettingsRoot::kCurrentUser || !FitsOnRegistryLine(key.valueName)) return false;
  RegistryEntry entry;
  entry.name = key.valueName;
  switch (value.type) {
    case StoredSetting::Type::kNumber:
      entry.kind = RegistryEntryKind::kNumber;
      entry.number = value.number;
      break;
    case StoredSetting::Type::kText:
      if (!FitsOnRegistryLine(value.text)) return false;
      entry.kind = RegistryEntryKind::kText;
      entry.data = value.text;
      break;
    case StoredSetting::Type::kOther:
      return false;
  }
  UserAccess access;
  const auto opened = access.Open(key, false);
  if (opened.key == nullptr) return false;
  SetRegistryValue(*opened.key, std::move(entry));
  return access.Save();
}

}  // namespace tolvane

#endif  // _WIN32
