#pragma once
// The platform's settings store behind the accessors of settings.h: the registry on Windows, a
// registry text file elsewhere. Each operation opens the key (creating a missing current-user
// key), does its one read or write and closes it again.

#include <cstdint>
#include <optional>
#include <string>

#include "ui/settings/settings.h"

namespace tolvane {

struct StoredSetting {
  enum class Type { kNumber, kText, kOther };
  Type type = Type::kOther;
  std::uint32_t number = 0;  // kNumber
  std::string text;          // kText, up to its first NUL
};

struct SettingLookup {
  bool opened = false;                 // the key could be opened
  std::optional<StoredSetting> value;  // missing when the key has no such value
};

// True when the key can be opened.
bool OpenStoreKey(const SettingsKey& key);

SettingLookup LookUpStoredSetting(const SettingsKey& key);

// False when the key cannot be opened or written; the machine root is never written.
bool WriteStoredSetting(const SettingsKey& key, const StoredSetting& value);

}  // namespace tolvane
