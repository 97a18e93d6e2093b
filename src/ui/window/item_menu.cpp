#include "ui/window/item_menu.h"

#include <QAction>
#include <iterator>
#include <tuple>
#include <vector>

#include "library/category.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

QString Name(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString CodeText(CategoryCode code) {
  return QString(QLatin1Char(static_cast<char>(code >> 8))) +
         QLatin1Char(static_cast<char>(code & 0xFF));
}

void AddCommand(QMenu& menu, const QString& text, int command) {
  menu.addAction(text)->setData(command);
}

}  // namespace

void BuildItemMenu(QMenu& menu, bool undoable) {
  AddCommand(menu, QString::fromLatin1(texts::kMenuCheck), kCheckCommand);
  AddCommand(menu, QString::fromLatin1(texts::kMenuUncheck), kUncheckCommand);
  QAction* remove = menu.addAction(QString::fromLatin1(texts::kMenuDelete));
  remove->setData(kDeleteCommand);
  remove->setEnabled(false);
  menu.addSeparator();

  std::vector<QMenu*> open = {menu.addMenu(QString::fromLatin1(texts::kMenuCategory))};
  for (const CategoryMenuEntry& entry : CategoryMenu()) {
    switch (entry.kind) {
      case CategoryMenuEntry::Item:
        // The code beside the name, where shortcuts stand: what --category takes.
        AddCommand(*open.back(), Name(entry.name) + QLatin1Char('\t') + CodeText(entry.code),
                   entry.code);
        break;
      case CategoryMenuEntry::SubMenuBegin:
        open.push_back(open.back()->addMenu(Name(entry.name)));
        break;
      case CategoryMenuEntry::SubMenuEnd:
        if (open.size() > 1) open.pop_back();
        break;
    }
  }
  QMenu& categories = *open.front();
  categories.addSeparator();
  AddCommand(categories, QString::fromLatin1(texts::kMenuSuggestCategories),
             kSuggestCategoriesCommand);
  QAction* undo = categories.addAction(QString::fromLatin1(texts::kMenuUndoSuggestions));
  undo->setData(kUndoSuggestionsCommand);
  undo->setEnabled(undoable);
}

void AddMiddleCMenu(QMenu& menu, bool middleC4) {
  QMenu* choice = menu.addMenu(QString::fromLatin1(texts::kMenuMiddleC));
  for (const auto& [text, command, chosen] :
       {std::tuple{texts::kMenuMiddleC3, kMiddleC3Command, !middleC4},
        std::tuple{texts::kMenuMiddleC4, kMiddleC4Command, middleC4}}) {
    QAction* action = choice->addAction(QString::fromLatin1(text));
    action->setData(command);
    action->setCheckable(true);
    action->setChecked(chosen);
  }
}

void AddSoundFontPresetsItem(QMenu& menu, bool presets) {
  QAction* action = menu.addAction(QString::fromLatin1(texts::kMenuSoundFontPresets));
  action->setData(kSoundFontPresetsCommand);
  action->setCheckable(true);
  action->setChecked(presets);
}

void AddSnapLoopsItem(QMenu& menu, bool snap) {
  QAction* action = menu.addAction(QString::fromLatin1(texts::kMenuSnapLoops));
  action->setData(kSnapLoopsCommand);
  action->setCheckable(true);
  action->setChecked(snap);
}

void AddNormalizeMenu(QMenu& menu, std::optional<double> dbfs) {
  QMenu* choice = menu.addMenu(QString::fromLatin1(texts::kMenuNormalize));
  QAction* off = choice->addAction(QString::fromLatin1(texts::kMenuNormalizeOff));
  off->setData(kNormalizeOffCommand);
  off->setCheckable(true);
  off->setChecked(!dbfs);
  for (const int below : kNormalizeLevels) {
    QAction* action =
        choice->addAction(QString::fromLatin1(texts::kMenuNormalizeLevel).arg(-below));
    action->setData(kNormalizeCommand + below);
    action->setCheckable(true);
    action->setChecked(dbfs && *dbfs == -below);
  }
}

void AddAutoLoopMenu(QMenu& menu, std::optional<double> crossfadeMs) {
  QMenu* choice = menu.addMenu(QString::fromLatin1(texts::kMenuAutoLoop));
  QAction* off = choice->addAction(QString::fromLatin1(texts::kMenuAutoLoopOff));
  off->setData(kAutoLoopOffCommand);
  off->setCheckable(true);
  off->setChecked(!crossfadeMs);
  for (const int ms : kAutoLoopCrossfades) {
    QAction* action =
        choice->addAction(ms == 0 ? QString::fromLatin1(texts::kMenuAutoLoopPlain)
                                  : QString::fromLatin1(texts::kMenuAutoLoopCrossfade).arg(ms));
    action->setData(kAutoLoopCommand + ms);
    action->setCheckable(true);
    action->setChecked(crossfadeMs && *crossfadeMs == ms);
  }
}

void AddDetectRootItem(QMenu& menu, bool detect) {
  QAction* action = menu.addAction(QString::fromLatin1(texts::kMenuDetectRoot));
  action->setData(kDetectRootCommand);
  action->setCheckable(true);
  action->setChecked(detect);
}

void AddFitMenus(QMenu& menu, const SampleFitting& fit) {
  const std::optional<double> dbfs = fit.trimDbfs;
  const MonoFold mono = fit.mono;
  QMenu* trim = menu.addMenu(QString::fromLatin1(texts::kMenuTrim));
  QAction* off = trim->addAction(QString::fromLatin1(texts::kMenuTrimOff));
  off->setData(kTrimOffCommand);
  off->setCheckable(true);
  off->setChecked(!dbfs);
  for (const int below : kTrimLevels) {
    QAction* action = trim->addAction(QString::fromLatin1(texts::kMenuTrimLevel).arg(-below));
    action->setData(kTrimCommand + below);
    action->setCheckable(true);
    action->setChecked(dbfs && *dbfs == -below);
  }
  QMenu* folds = menu.addMenu(QString::fromLatin1(texts::kMenuMono));
  for (const auto& [text, command, fold] :
       {std::tuple{texts::kMenuMonoOff, kMonoOffCommand, MonoFold::kNone},
        std::tuple{texts::kMenuMonoSame, kMonoSameCommand, MonoFold::kSame},
        std::tuple{texts::kMenuMonoAll, kMonoAllCommand, MonoFold::kAll}}) {
    QAction* action = folds->addAction(QString::fromLatin1(text));
    action->setData(command);
    action->setCheckable(true);
    action->setChecked(fold == mono);
  }
  QMenu* rates = menu.addMenu(QString::fromLatin1(texts::kMenuRate));
  QAction* keep = rates->addAction(QString::fromLatin1(texts::kMenuRateOff));
  keep->setData(kRateOffCommand);
  keep->setCheckable(true);
  keep->setChecked(!fit.rate);
  for (std::size_t i = 0; i < std::size(kExportRates); ++i) {
    QAction* action =
        rates->addAction(QString::fromLatin1(texts::kMenuRateHz).arg(kExportRates[i]));
    action->setData(kRateCommand + static_cast<int>(i));
    action->setCheckable(true);
    action->setChecked(fit.rate == kExportRates[i]);
  }
}

}  // namespace tolvane
