#pragma once
// The user's settings: window size, list column widths, last ports, last export folder and file.
// On Windows they live in the registry under HKEY_CURRENT_USER\SOFTWARE\Kestrum\Norvadex;
// elsewhere in $XDG_CONFIG_HOME/Kestrum/Norvadex.reg, a file in the registry's export format
// (machine-wide values: Kestrum/Norvadex.reg in the first folder of $XDG_CONFIG_DIRS, read only).
//
// Every access opens the store afresh and closes it after its one read or write, so several
// programs can share the settings; nothing is cached.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// The settings key, relative to the current user's root.
inline constexpr std::string_view kSettingsKeyPath = "SOFTWARE\\Kestrum\\Norvadex";
// The longest key path a value name may lead to.
inline constexpr std::size_t kLongestSettingsKeyPath = 255;

// The program's values. Numbers are REG_DWORD, texts REG_SZ; a text capacity counts the bytes a
// reader offers, terminator included.
inline constexpr std::string_view kWindowWidthSetting = "WindowWidth";
inline constexpr std::string_view kWindowHeightSetting = "WindowHeight";
inline constexpr std::string_view kSoundListWidthsSetting = "SoundListWidths";
inline constexpr std::size_t kSoundListWidthsCapacity = 200;
inline constexpr std::string_view kLastMidiPortSetting = "LastMidiPort";
inline constexpr std::size_t kLastMidiPortCapacity = 100;
inline constexpr std::string_view kLastAudioPortSetting = "LastAudioPort";
inline constexpr std::size_t kLastAudioPortCapacity = 100;
inline constexpr std::string_view kSoundDirectorySetting = "SoundDirectory";
inline constexpr std::size_t kSoundDirectoryCapacity = 512;
inline constexpr std::string_view kSoundCollectionSetting = "SoundCollection";
inline constexpr std::size_t kSoundCollectionCapacity = 512;
// Which octave a dropped folder's sample names call middle C: 3 or 4.
inline constexpr std::string_view kMiddleCSetting = "MiddleC";
// Whether a dropped SoundFont bank gives one instrument per preset: 1, else 0 (one per
// instrument record).
inline constexpr std::string_view kSoundFontPresetsSetting = "SoundFontPresets";
// Whether exports move the points of loops that click to zero crossings: 1, else 0.
inline constexpr std::string_view kSnapLoopsSetting = "SnapLoops";
// Whether exports normalise each group (1) or not (0), and to how many dB below full scale.
inline constexpr std::string_view kNormalizeExportSetting = "NormalizeExport";
inline constexpr std::string_view kNormalizeLevelSetting = "NormalizeLevel";
// Whether exports seek sustain loops (1) or not (0), and their crossfade in milliseconds.
inline constexpr std::string_view kAutoLoopSetting = "AutoLoop";
inline constexpr std::string_view kAutoLoopCrossfadeSetting = "AutoLoopCrossfade";
// Whether exports measure root keys nobody gave: 1, else 0.
inline constexpr std::string_view kDetectRootSetting = "DetectRoot";
// Whether exports trim samples' quiet ends (1) or not (0), and below how many dB under full
// scale; whether they store stereo samples as mono: 0 no, 1 those of equal channels, 2 all.
inline constexpr std::string_view kTrimExportSetting = "TrimExport";
inline constexpr std::string_view kTrimLevelSetting = "TrimLevel";
inline constexpr std::string_view kMonoExportSetting = "MonoExport";
// The highest sample rate exports write, in Hz; 0 keeps each sample's.
inline constexpr std::string_view kRateExportSetting = "RateExport";

enum class SettingsRoot {
  kCurrentUser,   // read and write
  kLocalMachine,  // read only
};

// Where a value name leads: a key under a root, and the value's name in it.
struct SettingsKey {
  SettingsRoot root = SettingsRoot::kCurrentUser;
  std::string path;  // components separated by "\", no "\" at either end; "" is the root itself
  std::string valueName;
};

// Where `valueName` leads, without touching the store. A name without "\" is a value of the
// settings key. Otherwise the part after the last "\" is the value name and the part before it a
// key path relative to the settings key: a leading "~" switches to the machine root (read only),
// each following "..\" climbs one key while there is one to climb, and the rest up to the last
// "\" is appended. Example: '~..\..\Foo\Bar' is value "Bar" of SOFTWARE\Foo under the machine
// root. Nothing when the key path is longer than kLongestSettingsKeyPath, has an empty
// component, or the name holds a NUL.
std::optional<SettingsKey> ResolveSettingsName(std::string_view valueName);

// ResolveSettingsName, then opens the key, creating a missing current-user key. Nothing when the
// key cannot be opened: a machine key that does not exist, or a user key that cannot be created.
std::optional<SettingsKey> OpenSettingsKey(std::string_view valueName);

// The stored number; `defaultValue` when the value is missing or not a number; 0 when the key
// cannot be opened.
std::uint32_t ReadSettingNumber(std::string_view name, std::uint32_t defaultValue);

// Stores a number. False when the key cannot be opened or written.
bool WriteSettingNumber(std::string_view name, std::uint32_t value);

// Empties `buffer`, then fills it with the stored text if that fits into `capacity` bytes with
// its terminator; when the value is missing, not a text or too long, with `defaultText` cut to
// capacity - 1 bytes. Nothing (and no default) when the key cannot be opened. The result is the
// length of what `buffer` then holds.
std::size_t ReadSettingText(std::string_view name, std::string& buffer, std::size_t capacity,
                            std::optional<std::string_view> defaultText);

// Stores a text; like a C string it ends at its first NUL. False when the key cannot be opened
// or written, or when the text holds a line break and the store is a file.
bool WriteSettingText(std::string_view name, std::string_view text);

}  // namespace tolvane
