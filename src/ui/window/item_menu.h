#pragma once
// The list's right-click menu: Check, Uncheck, Delete (never enabled), a separator, and the
// category menu with "Other" first; then the middle-C choice for dropped folders, what a
// SoundFont bank gives, and the normalising of exports. Each action's
// data is its command: the ids below, or the category code it selects (every code is above 256).

#include <QMenu>
#include <cstdint>
#include <optional>

#include "export/sample_fitting.h"

namespace tolvane {

inline constexpr int kDeleteCommand = 16;
inline constexpr int kCheckCommand = 17;
inline constexpr int kUncheckCommand = 18;
inline constexpr int kMiddleC3Command = 19;
inline constexpr int kMiddleC4Command = 20;
inline constexpr int kSnapLoopsCommand = 21;
inline constexpr int kSoundFontPresetsCommand = 22;
inline constexpr int kSuggestCategoriesCommand = 23;
inline constexpr int kUndoSuggestionsCommand = 24;
inline constexpr int kDetectRootCommand = 25;
// Normalising exports: off, or to the level kNormalizeCommand + n, n dB below full scale.
inline constexpr int kNormalizeOffCommand = 40;
inline constexpr int kNormalizeCommand = 41;
inline constexpr int kNormalizeLevels[] = {0, 1, 3, 6};  // dB below full scale, as offered
// Seeking sustain loops: off, or on with a crossfade of kAutoLoopCommand + n, n ms.
inline constexpr int kAutoLoopOffCommand = 60;
inline constexpr int kAutoLoopCommand = 61;
inline constexpr int kAutoLoopCrossfades[] = {0, 10, 50, 100};  // ms, as offered
// Trimming exports: off, or below the level kTrimCommand + n, n dB below full scale.
inline constexpr int kTrimOffCommand = 170;
inline constexpr int kTrimCommand = 171;
inline constexpr int kTrimLevels[] = {48, 60, 72};  // dB below full scale, as offered
// Mono exports: off, stereo samples of equal channels, every stereo sample.
inline constexpr int kMonoOffCommand = 165;
inline constexpr int kMonoSameCommand = 166;
inline constexpr int kMonoAllCommand = 167;
// Sample rates of exports: each sample's own, or at most kExportRates[command - kRateCommand].
inline constexpr int kRateOffCommand = 180;
inline constexpr int kRateCommand = 181;
inline constexpr std::uint32_t kExportRates[] = {48000, 44100, 32000, 22050, 16000};  // as offered
inline constexpr int kLowestCategoryCommand = 257;

// Fills an empty menu. Each category shows its code beside its name; the category menu ends in
// the suggestion from names and its undo, enabled when `undoable`.
void BuildItemMenu(QMenu& menu, bool undoable = false);

// Adds the submenu that chooses which octave a folder's sample names call middle C, `middleC4`
// telling which is chosen now. The only entry of the menu off the rows.
void AddMiddleCMenu(QMenu& menu, bool middleC4);

// Adds the import option that makes one instrument per SoundFont preset, checked when
// `presets` is on.
void AddSoundFontPresetsItem(QMenu& menu, bool presets);

// Adds the export option that mends loops that click, checked when `snap` is on.
void AddSnapLoopsItem(QMenu& menu, bool snap);
// Adds the submenu that chooses whether exports normalise and to which level; `dbfs` is the
// level chosen now, nothing for off.
void AddNormalizeMenu(QMenu& menu, std::optional<double> dbfs);
// Adds the submenu that chooses whether exports seek sustain loops and how long they
// crossfade; `crossfadeMs` is the choice now, nothing for off.
void AddAutoLoopMenu(QMenu& menu, std::optional<double> crossfadeMs);
// Adds the export option that measures root keys nobody gave, checked when `detect` is on.
void AddDetectRootItem(QMenu& menu, bool detect);
// Adds the submenus that choose whether exports trim quiet ends and below which level, how they
// store stereo samples, and the highest sample rate they write (fit.trimDbfs, fit.mono and
// fit.rate, nothing for off). A rate chosen elsewhere (the command line's settings) is offered
// too.
void AddFitMenus(QMenu& menu, const SampleFitting& fit);

}  // namespace tolvane
