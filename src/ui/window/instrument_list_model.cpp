#include "ui/window/instrument_list_model.h"

#include <QColor>
#include <QString>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "audition/playable_instrument.h"
#include "base/encoding.h"
#include "library/category.h"
#include "library/instrument_texts.h"
#include "ui/window/list_rules.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

constexpr int kColumns = static_cast<int>(kColumnCount);

QString FromModelText(const std::string& text) {
  return QString::fromStdString(Windows1252ToUtf8(text));
}

QString CellText(const Instrument& instrument, int column) {
  switch (column) {
    case InstrumentListModel::kNameColumn:
      return FromModelText(instrument.name);
    case InstrumentListModel::kCategoryColumn:
      return QString::fromStdString(CategoryText(instrument.category));
    case InstrumentListModel::kCollColumn:
      return QString::fromStdString(CollectionText(instrument));
    case InstrumentListModel::kSamplesColumn:
      return QString::fromStdString(SamplesText(instrument));
    case InstrumentListModel::kSizeColumn:
      return QString::fromStdString(SizeText(GetInstrumentStats(instrument).sampleBytes));
    case InstrumentListModel::kIdColumn:
      return QString::fromStdString(SoundIdText(instrument.soundId));
    default:
      return {};
  }
}

// WCAG's relative luminance of a colour.
double Luminance(const QColor& colour) {
  const auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

// Black, or white where it stands out more: on any background one of them reaches 4.5:1.
QColor ReadableOn(const QVariant& background) {
  if (!background.canConvert<QColor>()) return QColor(Qt::black);
  const double l = Luminance(background.value<QColor>());
  return (l + 0.05) / 0.05 >= 1.05 / (l + 0.05) ? QColor(Qt::black) : QColor(Qt::white);
}

QVariant CollBackground(const Instrument& instrument) {
  if (instrument.group == nullptr || instrument.group->collectionNumber == 0) return {};
  const std::uint32_t bgr = CollectionColour(instrument.group->collectionNumber);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

bool IsCell(const QModelIndex& index, int rows) {
  return index.isValid() && index.row() < rows && index.column() < kColumns;
}

QVariant InfoTip(const Instrument& instrument) {
  // Shortening can make a name hard to recognise: the name as imported comes first.
  const QString importedAs =
      instrument.foundName == instrument.name
          ? QString()
          : QString::fromLatin1(texts::kImportedAsTip).arg(FromModelText(instrument.foundName));
  const std::optional<std::string> tip = InfoTipText(instrument);
  if (!tip) return importedAs.isEmpty() ? QVariant() : QVariant(importedAs);
  QString text = FromModelText(*tip).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (!importedAs.isEmpty()) text = importedAs + QStringLiteral("\n\n") + text;
  if (!instrument.remarks.empty()) {
    text += QStringLiteral("\n\n") + FromModelText(instrument.remarks)
                                         .trimmed()
                                         .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  }
  if (instrument.program) {
    text += QStringLiteral("\n\nSoundFont preset: bank %1, program %2")
                .arg(instrument.program->bank)
                .arg(instrument.program->program);
  }
  if (instrument.differencesOnly)
    text += QStringLiteral("\n\n") +
            QString::fromUtf8(kDifferencesOnlyNote.data(), qsizetype(kDifferencesOnlyNote.size()));
  return text;
}

}  // namespace

InstrumentListModel::InstrumentListModel(QObject* parent)
    : QAbstractTableModel(parent),
      sortKey_(kInitialSortKey),
      headerImages_{DrawHeaderImage(HeaderImage::kBlank), DrawHeaderImage(HeaderImage::kUp),
                    DrawHeaderImage(HeaderImage::kDown)} {}

int InstrumentListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int InstrumentListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant InstrumentListModel::data(const QModelIndex& index, int role) const {
  if (!IsCell(index, rowCount())) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return CellText(*row.instrument, index.column());
    case Qt::CheckStateRole:
      if (index.column() != kNameColumn) return {};
      return row.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
      return InfoTip(*row.instrument);
    case Qt::BackgroundRole:
      return index.column() == kCollColumn ? CollBackground(*row.instrument) : QVariant();
    case Qt::ForegroundRole:
      // The collection colours run from pale to dark: a dark one takes white text.
      return index.column() == kCollColumn ? ReadableOn(CollBackground(*row.instrument))
                                           : QColor(Qt::black);
    default:
      return {};
  }
}

bool InstrumentListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!IsCell(index, rowCount()) || role != Qt::CheckStateRole || index.column() != kNameColumn)
    return false;
  SetChecked(index.row(), value.value<Qt::CheckState>() != Qt::Unchecked);
  return true;
}

Qt::ItemFlags InstrumentListModel::flags(const QModelIndex& index) const {
  if (!IsCell(index, rowCount())) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kNameColumn) result |= Qt::ItemIsUserCheckable;
  return result;
}

QVariant InstrumentListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromLatin1(texts::kColumnTitles[static_cast<std::size_t>(section)]);
    case Qt::DecorationRole:
      return headerImages_[static_cast<std::size_t>(HeaderImageOf(section))];
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

void InstrumentListModel::Fill(const Library& library) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(library.instruments.size());
  for (const auto& instrument : library.instruments) rows_.push_back({instrument.get(), true});
  std::stable_sort(rows_.begin(), rows_.end(), [key = sortKey_](const Row& a, const Row& b) {
    return CompareRows(*a.instrument, *b.instrument, key) < 0;
  });
  endResetModel();
}

void InstrumentListModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void InstrumentListModel::SetSortKey(int key) {
  sortKey_ = key;
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void InstrumentListModel::Sort() {
  const std::size_t n = rows_.size();
  std::vector<int> order(n);  // order[new row] = old row
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
    return CompareRows(*rows_[static_cast<std::size_t>(a)].instrument,
                       *rows_[static_cast<std::size_t>(b)].instrument, sortKey_) < 0;
  });
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<Row> sorted(n);
  std::vector<int> newRowOf(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto old = static_cast<std::size_t>(order[i]);
    sorted[i] = rows_[old];
    newRowOf[old] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  // Selection and current row follow their instruments.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after.push_back(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void InstrumentListModel::ClickColumn(int column) {
  SetSortKey(NextSortKey(sortKey_, column));
  Sort();
}

HeaderImage InstrumentListModel::HeaderImageOf(int column) const {
  if (sortKey_ == column + 1) return HeaderImage::kDown;
  if (sortKey_ == -(column + 1)) return HeaderImage::kUp;
  return HeaderImage::kBlank;
}

Instrument* InstrumentListModel::InstrumentAt(int row) const {
  if (row < 0 || row >= rowCount()) return nullptr;
  return rows_[static_cast<std::size_t>(row)].instrument;
}

bool InstrumentListModel::IsChecked(int row) const {
  return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].checked;
}

void InstrumentListModel::SetChecked(int row, bool checked) {
  if (row < 0 || row >= rowCount()) return;
  rows_[static_cast<std::size_t>(row)].checked = checked;
  const QModelIndex cell = index(row, kNameColumn);
  emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void InstrumentListModel::SetAllChecked(bool checked) {
  if (rows_.empty()) return;
  for (Row& row : rows_) row.checked = checked;
  emit dataChanged(index(0, kNameColumn), index(rowCount() - 1, kNameColumn), {Qt::CheckStateRole});
}

std::vector<const Instrument*> InstrumentListModel::CheckedInstruments() const {
  std::vector<const Instrument*> checked;
  for (const Row& row : rows_)
    if (row.checked) checked.push_back(row.instrument);
  return checked;
}

void InstrumentListModel::RowChanged(int row) {
  if (row < 0 || row >= rowCount()) return;
  emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

}  // namespace tolvane
