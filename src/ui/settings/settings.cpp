#include "ui/settings/settings.h"

#include "ui/settings/settings_store.h"

namespace tolvane {
namespace {

// Texts are C strings: they end at their first NUL.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// Drops the last component of a path that ends in "\", keeping the "\" before it.
void ClimbOneKey(std::string& path) {
  path.pop_back();
  const auto previous = path.rfind('\\');
  path.erase(previous == std::string::npos ? 0 : previous + 1);
}

bool HasEmptyComponent(std::string_view path) {
  return !path.empty() &&
         (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != path.npos);
}

}  // namespace

std::optional<SettingsKey> ResolveSettingsName(std::string_view valueName) {
  if (valueName.find('\0') != std::string_view::npos) return std::nullopt;
  SettingsKey key;
  key.path = kSettingsKeyPath;
  const auto last = valueName.rfind('\\');
  if (last == std::string_view::npos) {
    key.valueName = valueName;
    return key;
  }
  key.valueName = valueName.substr(last + 1);
  key.path += '\\';
  std::size_t at = 0;
  if (valueName.starts_with('~')) {
    key.root = SettingsRoot::kLocalMachine;
    at = 1;
  }
  while (valueName.substr(at).starts_with("..\\") && !key.path.empty()) {
    at += 3;
    ClimbOneKey(key.path);
  }
  // When the climbing used up the last "\" there is nothing left to append.
  if (at < last) key.path += valueName.substr(at, last - at);
  if (key.path.ends_with('\\')) key.path.pop_back();
  if (key.path.size() > kLongestSettingsKeyPath || HasEmptyComponent(key.path)) return std::nullopt;
  return key;
}

std::optional<SettingsKey> OpenSettingsKey(std::string_view valueName) {
  auto key = ResolveSettingsName(valueName);
  if (!key || !OpenStoreKey(*key)) return std::nullopt;
  return key;
}

std::uint32_t ReadSettingNumber(std::string_view name, std::uint32_t defaultValue) {
  const auto key = ResolveSettingsName(name);
  if (!key) return 0;
  const SettingLookup found = LookUpStoredSetting(*key);
  if (!found.opened) return 0;
  if (found.value && found.value->type == StoredSetting::Type::kNumber) return found.value->number;
  return defaultValue;
}

bool WriteSettingNumber(std::string_view name, std::uint32_t value) {
  const auto key = ResolveSettingsName(name);
  return key && WriteStoredSetting(*key, StoredSetting{StoredSetting::Type::kNumber, value, {}});
}

std::size_t ReadSettingText(std::string_view name, std::string& buffer, std::size_t capacity,
                            std::optional<std::string_view> defaultText) {
  buffer.clear();
  const auto key = ResolveSettingsName(name);
  if (!key) return 0;
  const SettingLookup found = LookUpStoredSetting(*key);
  if (!found.opened) return 0;
  if (found.value && found.value->type == StoredSetting::Type::kText) {
    const std::string_view text = UpToNul(found.value->text);
    if (text.size() < capacity) {
      buffer = text;
      return buffer.size();
    }
  }
  if (defaultText && capacity > 0) buffer = UpToNul(*defaultText).substr(0, capacity - 1);
  return buffer.size();
}

bool WriteSettingText(std::string_view name, std::string_view text) {
  const auto key = ResolveSettingsName(name);
  return key && WriteStoredSetting(
                    *key, StoredSetting{StoredSetting::Type::kText, 0, std::string(UpToNul(text))});
}

}  // namespace tolvane
