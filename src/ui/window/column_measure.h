#pragma once
// What the instrument list's columns need to show their titles and values whole, measured with
// the list's own font and style: the header's margins and image, the cells' margins and the
// first column's check box. The list starts empty, so the values measured are the widest each
// column can hold, not the ones it happens to show.

#include <QString>
#include <QStringList>

#include "ui/window/list_rules.h"

class QFontMetrics;
class QTableView;

namespace tolvane {

// The widest texts column `column` (0-based) can show in `metrics`' font; several candidates
// where which is widest depends on the font. Empty for Sound-Name, which shows what is left.
QStringList WidestColumnValues(int column, const QFontMetrics& metrics);

// The width a cell of the list needs to show `text` whole, with the check box in front when
// `checkBox`.
int CellWidth(const QTableView& list, const QString& text, bool checkBox);

// Per column (0-based) the larger of its title's need and its widest value's; for Sound-Name
// its title and check box only. REQUIRES: the list has its model (the header takes the titles
// and images from it).
ColumnWidths NeededColumnWidths(const QTableView& list);

// The Sound-Name column's width for a name of `characters` characters as wide as the mean of
// the Latin letters of both cases, with its check box.
int NameColumnWidth(const QTableView& list, int characters);

}  // namespace tolvane
