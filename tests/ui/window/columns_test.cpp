// The list's columns at the first start, offscreen, for several fonts: every title and every
// value a column can hold shows whole, the window opens wide enough for them and a name of 25
// characters within the screen; and the status line's list of files not imported whole.

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "import/format_lists.h"
#include "library/category.h"
#include "tests/ui/window/window_test_support.h"
#include "ui/window/import_details_dialog.h"
#include "ui/window/main_dialog.h"

namespace tolvane {
namespace {

// Every value of the column's format at its widest, once with each digit: which digit is widest
// depends on the font.
QStringList WidestValues(int column) {
  QStringList values;
  if (column == 1) {
    values << "(None)";
    for (const CategoryMenuEntry& entry : CategoryMenu())
      if (entry.kind == CategoryMenuEntry::Item)
        values << QString::fromStdString(CategoryText(entry.code));
    return values;
  }
  const QString hex = QStringLiteral("0123456789ABCDEF");
  for (int i = 0; i < 16; ++i) {
    const QChar h = hex[i];
    if (column == 5) values << QStringLiteral("[%1]").arg(QString(8, h));
    if (i >= 10) continue;
    const QString d1(1, h), d3(3, h), d4(4, h);
    switch (column) {
      case 2:
        values << "---" << d3;
        break;
      case 3:
        values << d4 + " (" + d4 + "M)" << d3 + " (" + d3 + "M" + d3 + "S)"
               << d3 + " (" + d3 + "M" + d3 + "D)";
        break;
      case 4:
        values << d3 + " B" << d3 + "." + d1 + " kB" << d4 + "." + d1 + " MB";
        break;
      default:
        break;
    }
  }
  return values;
}

// The room a cell of `width` pixels leaves its text, as the style lays out and elides it.
int TextRoom(const QTableView& list, int width, bool checkBox) {
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.widget = &list;
  option.font = list.font();
  option.fontMetrics = list.fontMetrics();
  option.rect = QRect(0, 0, width, 20);
  option.showDecorationSelected = true;  // the text's whole room, not the text's own size
  option.text = QStringLiteral("x");
  option.features = QStyleOptionViewItem::HasDisplay;
  if (checkBox) option.features |= QStyleOptionViewItem::HasCheckIndicator;
  const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
  return list.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &list).width() -
         2 * margin;
}

struct Fonts {
  explicit Fonts(const QFont& font) : saved(QApplication::font()) { QApplication::setFont(font); }
  ~Fonts() { QApplication::setFont(saved); }
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;
  QFont saved;
};

}  // namespace

class ColumnsTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStart_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    QTest::newRow("DejaVu Sans 9") << "DejaVu Sans" << 9;
    QTest::newRow("DejaVu Sans 14") << "DejaVu Sans" << 14;
    QTest::newRow("Nimbus Sans 11") << "Nimbus Sans" << 11;
    QTest::newRow("DejaVu Serif 10") << "DejaVu Serif" << 10;
    QTest::newRow("Z003 12") << "Z003" << 12;  // digits of differing widths
  }
  // Every column shows its title and its widest value whole; the window opens wide enough for
  // a name of 25 characters besides, or as wide as the screen allows.
  void firstStart() {
    QFETCH(QString, family);
    QFETCH(int, points);
    const Fonts fonts(QFont(family, points));
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.show();
    QCoreApplication::processEvents();
    const QTableView& list = dialog.list();
    const QHeaderView& header = *list.horizontalHeader();
    const QFontMetrics metrics = list.fontMetrics();

    const int headerMargin = list.style()->pixelMetric(QStyle::PM_HeaderMargin);
    const int image = 8 + 2;  // the sort image beside each title and its spacing
    for (int column = 0; column < 6; ++column) {
      const QString title = dialog.model().headerData(column, Qt::Horizontal).toString();
      const int size = header.sectionSize(column);
      QVERIFY2(header.fontMetrics().horizontalAdvance(title) + image + 2 * headerMargin <= size,
               qPrintable(QStringLiteral("title %1 in %2 px").arg(title).arg(size)));
      const int room = TextRoom(list, size, column == 0);
      for (const QString& value : WidestValues(column))
        QVERIFY2(metrics.horizontalAdvance(value) <= room,
                 qPrintable(
                     QStringLiteral("%1 in %2 px of column %3").arg(value).arg(room).arg(column)));
    }

    // Room for a name of 25 characters, unless the screen is narrower than the window would be.
    const int screen = dialog.screen()->availableGeometry().width();
    // The template's own size is the least the window takes, screen or not.
    QVERIFY2(dialog.width() <= std::max(screen, dialog.TemplateSize().width()),
             qPrintable(QStringLiteral("%1 on %2").arg(dialog.width()).arg(screen)));
    const QSize first = FirstStartSize(dialog.screen()->availableGeometry().size())
                            .expandedTo(dialog.TemplateSize());
    QCOMPARE(dialog.height(), first.height());
    QVERIFY(dialog.width() >= first.width());
    // Room is kept for the scroll bar that a full list shows.
    const int nameRoom = TextRoom(list, header.sectionSize(0), true) -
                         list.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (metrics.horizontalAdvance(QStringLiteral("TmGM6mb_Acoustic Bass Gtr")) > nameRoom)
      QVERIFY2(dialog.width() >= screen - 16,
               qPrintable(QStringLiteral("%1 on %2").arg(dialog.width()).arg(screen)));
  }

  // A click on the status line lists the files not imported whole with their reasons; Copy
  // puts the list on the clipboard, Escape ends it. Without such files a click opens nothing.
  void statusClickListsFiles() {
    testing::TestWindow window;
    MainDialog& dialog = window.Open();
    dialog.show();
    auto* status = static_cast<QLabel*>(dialog.Control(kStatusId));
    dialog.ImportDrop(window.Files({"good"}, 100));
    window.Wait();
    QTest::mouseClick(status, Qt::LeftButton);
    QVERIFY(dialog.findChild<ImportDetailsDialog*>() == nullptr);

    QFile junk(window.place / "junk.txt");
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a sound") > 0);
    junk.close();
    dialog.ImportDrop({window.place / "junk.txt", window.place / "missing.wav"});
    window.Wait();
    QVERIFY(window.Status().endsWith(" - 2 files not read"));
    QTest::mouseClick(status, Qt::LeftButton);
    QPointer<ImportDetailsDialog> details = dialog.findChild<ImportDetailsDialog*>();
    QVERIFY(details != nullptr && details->isVisible());
    QCOMPARE(details->windowTitle(), QStringLiteral("2 files not read"));
    const QString expected = window.place / "junk.txt" + ": not recognised as " +
                             QString::fromStdString(ReadFormatsText()) + "\n" +
                             window.place / "missing.wav" + ": cannot open file: no such file";
    QCOMPARE(details->Text(), expected);
    QVERIFY(details->findChild<QPlainTextEdit*>()->textInteractionFlags() &
            Qt::TextSelectableByMouse);

    QApplication::clipboard()->clear();
    QPushButton* copy = nullptr;
    for (QPushButton* button : details->findChildren<QPushButton*>())
      if (button->text() == QStringLiteral("Copy")) copy = button;
    QVERIFY(copy != nullptr);
    QTest::mouseClick(copy, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), expected);

    QTest::keyClick(details->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
    QTRY_VERIFY(details.isNull());
    QVERIFY(dialog.isVisible());
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::ColumnsTest)
#include "columns_test.moc"
