#include "ui/window/column_measure.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <algorithm>

#include "library/category.h"
#include "ui/window/instrument_list_model.h"

namespace tolvane {
namespace {

// The digit, or hexadecimal digit, of the largest advance: in proportional fonts the digits
// differ, and a width measured with '0' can clip a '4'. Compared in runs, as advances have
// fractions that a single character's rounded width hides.
QChar WidestOf(const QString& characters, const QFontMetrics& metrics) {
  constexpr int kRun = 8;
  QChar widest = characters.front();
  for (const QChar c : characters)
    if (metrics.horizontalAdvance(QString(kRun, c)) >
        metrics.horizontalAdvance(QString(kRun, widest)))
      widest = c;
  return widest;
}

// `patterns` with '#' as the widest digit and '%' as the widest hexadecimal digit.
QStringList Filled(std::initializer_list<const char*> patterns, const QFontMetrics& metrics) {
  const QChar digit = WidestOf(QStringLiteral("0123456789"), metrics);
  const QChar hex = WidestOf(QStringLiteral("0123456789ABCDEF"), metrics);
  QStringList texts;
  for (const char* pattern : patterns)
    texts << QString::fromLatin1(pattern)
                 .replace(QLatin1Char('#'), digit)
                 .replace(QLatin1Char('%'), hex);
  return texts;
}

QStringList CategoryNames() {
  // "(None)" for instruments without one, every name the category menu offers, and what an
  // unknown code from an older sound database shows.
  QStringList names = {QString::fromStdString(CategoryText(0)),
                       QString::fromStdString(CategoryText(0xFFFF))};
  for (const CategoryMenuEntry& entry : CategoryMenu())
    if (entry.kind == CategoryMenuEntry::Item)
      names << QString::fromStdString(CategoryText(entry.code));
  return names;
}

int Widest(const QTableView& list, const QStringList& texts) {
  int widest = 0;
  for (const QString& text : texts) widest = std::max(widest, CellWidth(list, text, false));
  return widest;
}

}  // namespace

QStringList WidestColumnValues(int column, const QFontMetrics& metrics) {
  switch (column) {
    case InstrumentListModel::kCategoryColumn:
      return CategoryNames();
    case InstrumentListModel::kCollColumn:
      // Collections are numbered within one dropped file; a bank with a thousand shared sample
      // groups is beyond any seen, so three digits.
      return Filled({"---", "###"}, metrics);
    case InstrumentListModel::kSamplesColumn:
      // Samples and zones by kind. Up to four digits where the zones are of one kind (a large
      // multi-layer piano), three where they are of two; three kinds in one instrument do not
      // occur in the formats read.
      return Filled({"#### (####M)", "#### (####S)", "#### (####D)", "### (###M###S)",
                     "### (###M###D)", "### (###S###D)"},
                    metrics);
    case InstrumentListModel::kSizeColumn:
      // The size counts the low 32 bits only, so at most 4095.9 MB.
      return Filled({"### B", "###.# kB", "####.# MB"}, metrics);
    case InstrumentListModel::kIdColumn:
      return Filled({"[%%%%%%%%]"}, metrics);
    default:
      return {};
  }
}

int CellWidth(const QTableView& list, const QString& text, bool checkBox) {
  // The option as the view gives its delegate, so that the style adds the margins it paints.
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.widget = &list;
  option.font = list.font();
  option.fontMetrics = list.fontMetrics();
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  option.decorationPosition = QStyleOptionViewItem::Left;
  option.textElideMode = list.textElideMode();
  option.rect = QRect();
  option.text = text;
  option.features = QStyleOptionViewItem::HasDisplay;
  if (checkBox) {
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.checkState = Qt::Checked;
  }
  return list.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &list).width();
}

ColumnWidths NeededColumnWidths(const QTableView& list) {
  const QHeaderView& header = *list.horizontalHeader();
  ColumnWidths needed{};
  for (std::size_t c = 0; c < kColumnCount; ++c) {
    const int column = static_cast<int>(c);
    // The header's own size from its contents: title, image and margins as the style draws them.
    const int title = header.sectionSizeHint(column);
    const int value = column == InstrumentListModel::kNameColumn
                          ? CellWidth(list, QString(), true)
                          : Widest(list, WidestColumnValues(column, list.fontMetrics()));
    needed[c] = std::max(title, value);
  }
  return needed;
}

int NameColumnWidth(const QTableView& list, int characters) {
  // Names mix both cases ("TmGM6mb_Acoustic Bass"): the font's average character, taken over
  // lower-case text, would leave a name of that length a few characters short.
  const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const QFontMetrics metrics = list.fontMetrics();
  const int count = static_cast<int>(letters.size());
  const int text = (characters * metrics.horizontalAdvance(letters) + count - 1) / count;
  // A one-letter name measured by the style gives the check box and the margins.
  const QString letter = QStringLiteral("x");
  return CellWidth(list, letter, true) - metrics.horizontalAdvance(letter) + text;
}

}  // namespace tolvane
