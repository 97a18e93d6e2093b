#pragma once
// The main dialog's layout as data: its controls in tab order, each with its id, kind, text,
// rectangle in dialog units and the rule that moves or stretches it when the dialog grows.

#include <QRect>
#include <span>

namespace tolvane {

// Control ids, as the window's code and tests name the controls.
enum ControlId : int {
  kNoId = -1,
  kListId = 1000,
  kAllId = 1001,
  kNoneId = 1002,
  kSingleId = 1003,
  kMidiSelectorId = 1004,
  kAudioSelectorId = 1005,
  kSeparatorId = 1006,
  kHintId = 1007,
  kCollectionId = 1008,
  kSelectGroupId = 1009,
  kExportGroupId = 1010,
  kStatusId = 1011,
  kAddFilesId = 1012,
  kAddFolderId = 1013,
  kIndicatorId = 11004,
};

enum class ControlKind { kLabel, kComboBox, kIndicator, kList, kGroupBox, kButton, kSeparator };

// How a control follows the dialog growing by dW x dH pixels.
enum class ResizeRule {
  kFixed,      // stays
  kRight,      // x + dW
  kGrow,       // width + dW, height + dH
  kDown,       // y + dH
  kDownRight,  // x + dW, y + dH
  kDownWiden,  // y + dH, width + dW
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;  // nullptr for none
  // Dialog units. A combo box's height is that of its dropped-down list.
  int x, y, width, height;
  ResizeRule rule;
};

// The dialog's client area in dialog units.
inline constexpr int kDialogWidthUnits = 284;
inline constexpr int kDialogHeightUnits = 243;

// The eighteen controls in tab order.
std::span<const ControlTemplate> DialogControls();

// Where a control placed at `initial` (pixels) goes when the dialog is dW x dH pixels larger than
// its template size.
QRect PlaceControl(const QRect& initial, ResizeRule rule, int dW, int dH);

}  // namespace tolvane
