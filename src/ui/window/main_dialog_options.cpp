// The window's remembered choices of how drops are read and exports written: each is kept in
// the settings as it is chosen.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "ui/settings/settings.h"
#include "ui/window/item_menu.h"
#include "ui/window/main_dialog.h"

namespace tolvane {

void MainDialog::SetMiddleC(MiddleC middleC) {
  importSettings_.middleC = middleC;
  WriteSettingNumber(kMiddleCSetting, middleC == MiddleC::C4 ? 4 : 3);
}

void MainDialog::SetSoundFontPresets(bool presets) {
  importSettings_.soundFont = presets ? SoundFontMode::Presets : SoundFontMode::Instruments;
  WriteSettingNumber(kSoundFontPresetsSetting, presets ? 1 : 0);
}

void MainDialog::SetSnapLoops(bool snap) {
  exportOptions_.loops = snap ? LoopMending::kSnap : LoopMending::kNameOnly;
  WriteSettingNumber(kSnapLoopsSetting, snap ? 1 : 0);
}

void MainDialog::SetNormalize(std::optional<double> dbfs) {
  exportOptions_.normalizeDbfs = dbfs;
  WriteSettingNumber(kNormalizeExportSetting, dbfs ? 1 : 0);
  if (dbfs)
    WriteSettingNumber(kNormalizeLevelSetting, static_cast<std::uint32_t>(std::lround(-*dbfs)));
}

void MainDialog::SetAutoLoop(std::optional<double> crossfadeMs) {
  const bool changed = crossfadeMs != exportOptions_.sounds.autoLoopCrossfadeMs;
  exportOptions_.sounds.autoLoopCrossfadeMs = crossfadeMs;
  WriteSettingNumber(kAutoLoopSetting, crossfadeMs ? 1 : 0);
  if (crossfadeMs) {
    WriteSettingNumber(kAutoLoopCrossfadeSetting,
                       static_cast<std::uint32_t>(std::lround(*crossfadeMs)));
  }
  if (changed) emit SoundOptionsChanged();
}

void MainDialog::SetDetectRoot(bool detect) {
  const bool changed = detect != exportOptions_.sounds.detectRoot;
  exportOptions_.sounds.detectRoot = detect;
  WriteSettingNumber(kDetectRootSetting, detect ? 1 : 0);
  if (changed) emit SoundOptionsChanged();
}

bool MainDialog::ApplyFitCommand(int command) {
  if (command == kTrimOffCommand) {
    SetTrim(std::nullopt);
  } else if (std::find(std::begin(kTrimLevels), std::end(kTrimLevels), command - kTrimCommand) !=
             std::end(kTrimLevels)) {
    SetTrim(-(command - kTrimCommand));
  } else if (command == kMonoOffCommand || command == kMonoSameCommand ||
             command == kMonoAllCommand) {
    SetMono(command == kMonoOffCommand    ? MonoFold::kNone
            : command == kMonoSameCommand ? MonoFold::kSame
                                          : MonoFold::kAll);
  } else if (command == kRateOffCommand) {
    SetRate(std::nullopt);
  } else if (const int i = command - kRateCommand;
             i >= 0 && i < static_cast<int>(std::size(kExportRates))) {
    SetRate(kExportRates[i]);
  } else {
    return false;
  }
  return true;
}

void MainDialog::SetTrim(std::optional<double> dbfs) {
  exportOptions_.trimDbfs = dbfs;
  WriteSettingNumber(kTrimExportSetting, dbfs ? 1 : 0);
  if (dbfs) WriteSettingNumber(kTrimLevelSetting, static_cast<std::uint32_t>(std::lround(-*dbfs)));
  UpdateStatus();
}

void MainDialog::SetMono(MonoFold mono) {
  exportOptions_.mono = mono;
  WriteSettingNumber(kMonoExportSetting,
                     mono == MonoFold::kNone ? 0 : (mono == MonoFold::kSame ? 1 : 2));
  UpdateStatus();
}

void MainDialog::SetRate(std::optional<std::uint32_t> rate) {
  exportOptions_.rate = rate;
  WriteSettingNumber(kRateExportSetting, rate ? *rate : 0);
  UpdateStatus();
}

}  // namespace tolvane
