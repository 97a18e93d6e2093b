#include "ui/window/dialog_template.h"

#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

using K = ControlKind;
using R = ResizeRule;

constexpr ControlTemplate kControls[] = {
    {kNoId, K::kLabel, texts::kMidiInputLabel, 8, 4, 34, 8, R::kFixed},
    {kMidiSelectorId, K::kComboBox, nullptr, 8, 12, 96, 200, R::kFixed},
    {kIndicatorId, K::kIndicator, nullptr, 88, 4, 15, 6, R::kFixed},
    {kNoId, K::kLabel, texts::kAudioOutputLabel, 108, 4, 42, 8, R::kFixed},
    {kAudioSelectorId, K::kComboBox, nullptr, 108, 12, 96, 200, R::kFixed},
    {kAddFilesId, K::kButton, texts::kAddFilesButton, 208, 11, 68, 14, R::kRight},
    {kAddFolderId, K::kButton, texts::kAddFolderButton, 208, 27, 68, 14, R::kRight},
    {kNoId, K::kLabel, texts::kInstrumentsLabel, 8, 32, 196, 8, R::kFixed},
    {kListId, K::kList, texts::kListName, 8, 44, 268, 140, R::kGrow},
    {kSelectGroupId, K::kGroupBox, texts::kSelectGroup, 8, 200, 68, 28, R::kDown},
    {kAllId, K::kButton, texts::kAllButton, 12, 210, 28, 14, R::kDown},
    {kNoneId, K::kButton, texts::kNoneButton, 44, 210, 28, 14, R::kDown},
    {kExportGroupId, K::kGroupBox, texts::kExportGroup, 120, 200, 156, 28, R::kDownRight},
    {kSingleId, K::kButton, texts::kSingleButton, 124, 210, 72, 14, R::kDownRight},
    {kCollectionId, K::kButton, texts::kCollectionButton, 200, 210, 72, 14, R::kDownRight},
    {kSeparatorId, K::kSeparator, nullptr, 4, 232, 274, 1, R::kDownWiden},
    {kHintId, K::kLabel, texts::kDropHint, 8, 234, 268, 8, R::kDownWiden},
    {kStatusId, K::kLabel, nullptr, 8, 188, 268, 8, R::kDownWiden},
};

}  // namespace

std::span<const ControlTemplate> DialogControls() {
  return kControls;
}

QRect PlaceControl(const QRect& initial, ResizeRule rule, int dW, int dH) {
  QRect placed = initial;
  switch (rule) {
    case ResizeRule::kFixed:
      break;
    case ResizeRule::kRight:
      placed.translate(dW, 0);
      break;
    case ResizeRule::kGrow:
      placed.setSize(initial.size() + QSize(dW, dH));
      break;
    case ResizeRule::kDown:
      placed.translate(0, dH);
      break;
    case ResizeRule::kDownRight:
      placed.translate(dW, dH);
      break;
    case ResizeRule::kDownWiden:
      placed.translate(0, dH);
      placed.setWidth(initial.width() + dW);
      break;
  }
  return placed;
}

}  // namespace tolvane
