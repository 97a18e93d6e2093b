#pragma once
// The instrument list as a table model over the library's instruments. Its rows are in display
// order, which is the order the export commands read the checked rows in; sorting reorders the
// rows themselves (stable, by CompareRows). Check boxes live in the model, one per row.
//
// The model holds pointers into a Library: Clear it before the library is cleared.

#include <QAbstractTableModel>
#include <QPixmap>
#include <array>
#include <vector>

#include "library/library.h"
#include "ui/window/header_images.h"

namespace tolvane {

class InstrumentListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNameColumn, kCategoryColumn, kCollColumn, kSamplesColumn, kSizeColumn, kIdColumn };

  explicit InstrumentListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Every instrument of the library, every row checked, sorted by the current key.
  void Fill(const Library& library);
  // No rows.
  void Clear();

  int sortKey() const { return sortKey_; }
  // +n sorts ascending, -n descending by column n (1-based). Changes the header images only.
  void SetSortKey(int key);
  // Reorders the rows by the sort key, keeping the order of equal rows.
  void Sort();
  // A click on a column header: the next key (see NextSortKey), then the rows sorted by it.
  void ClickColumn(int column);
  HeaderImage HeaderImageOf(int column) const;

  Instrument* InstrumentAt(int row) const;
  bool IsChecked(int row) const;
  void SetChecked(int row, bool checked);
  void SetAllChecked(bool checked);
  // The instruments of the checked rows, in display order.
  std::vector<const Instrument*> CheckedInstruments() const;
  // The row's texts changed (a new category).
  void RowChanged(int row);

 private:
  struct Row {
    Instrument* instrument = nullptr;
    bool checked = true;
  };

  std::vector<Row> rows_;
  int sortKey_ = 1;
  std::array<QPixmap, 3> headerImages_;
};

}  // namespace tolvane
