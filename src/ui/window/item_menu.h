#pragma once
// The list's right-click menu: Check, Uncheck, Delete (never enabled), a separator, and the
// category menu with "Other" first; then the middle-C choice for dropped folders. Each action's
// data is its command: the ids below, or the category code it selects (every code is above 256).

#include <QMenu>

namespace tolvane {

inline constexpr int kDeleteCommand = 16;
inline constexpr int kCheckCommand = 17;
inline constexpr int kUncheckCommand = 18;
inline constexpr int kMiddleC3Command = 19;
inline constexpr int kMiddleC4Command = 20;
inline constexpr int kSnapLoopsCommand = 21;
inline constexpr int kLowestCategoryCommand = 257;

// Fills an empty menu.
void BuildItemMenu(QMenu& menu);

// Adds the submenu that chooses which octave a folder's sample names call middle C, `middleC4`
// telling which is chosen now. The only entry of the menu off the rows.
void AddMiddleCMenu(QMenu& menu, bool middleC4);

// Adds the export option that mends loops that click, checked when `snap` is on.
void AddSnapLoopsItem(QMenu& menu, bool snap);

}  // namespace tolvane
