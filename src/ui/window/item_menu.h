#pragma once
// The list's right-click menu: Check, Uncheck, Delete (never enabled), a separator, and the
// category menu with "Other" first. Each action's data is its command: the ids below, or the
// category code it selects (every code is above 256).

#include <QMenu>

namespace tolvane {

inline constexpr int kDeleteCommand = 16;
inline constexpr int kCheckCommand = 17;
inline constexpr int kUncheckCommand = 18;
inline constexpr int kLowestCategoryCommand = 257;

// Fills an empty menu.
void BuildItemMenu(QMenu& menu);

}  // namespace tolvane
