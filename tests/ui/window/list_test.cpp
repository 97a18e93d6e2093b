// The instrument list without a window: its rules, the table model and the right-click menu.

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "import/import_file.h"
#include "library/library.h"
#include "ui/window/header_images.h"
#include "ui/window/instrument_list_model.h"
#include "ui/window/item_menu.h"
#include "ui/window/list_rules.h"

namespace tolvane {
namespace {

// Adds an instrument whose group holds one sample per entry of `samples` (name, frames).
Instrument& AddTestInstrument(
    Library& library, Source& source, const std::string& name, std::uint32_t soundId,
    const std::vector<std::pair<std::string, std::uint32_t>>& samples = {}) {
  auto instrument = CreateInstrument(source, name, name, soundId);
  for (const auto& [sampleName, frames] : samples) {
    static const std::vector<std::byte> data(1 << 20);
    SampleRequest request;
    request.name = sampleName;
    request.sampleRate = 44100;
    const std::span<const std::byte> bytes =
        std::span(data).first(std::size_t{frames} * 2 % data.size());
    request.frames = static_cast<std::uint32_t>(bytes.size() / 2);
    Sample* sample =
        AddSample(*instrument, request, SampleData::FromLittleEndian(bytes, request.frames));
    sample->frames = frames;  // the tip reads frames only; no need to hold them all
  }
  return AddInstrument(library, std::move(instrument));
}

QStringList Names(const InstrumentListModel& model) {
  QStringList names;
  for (int row = 0; row < model.rowCount(); ++row)
    names << model.data(model.index(row, InstrumentListModel::kNameColumn)).toString();
  return names;
}

}  // namespace

class ListTest : public QObject {
  Q_OBJECT

 private slots:
  void columnWidths_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("widths");
    const QList<int> defaults = {300, 150, 100, 80, 80, 200};
    QTest::newRow("none") << "" << defaults;
    QTest::newRow("two") << "100;50" << QList<int>{100, 50, 100, 80, 80, 200};
    QTest::newRow("seven") << "1;2;3;4;5;6;7" << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("not a number") << "x;5" << defaults;
    QTest::newRow("empty field stops") << "100;;5" << QList<int>{100, 150, 100, 80, 80, 200};
    QTest::newRow("blank before ';' stops") << " 7 ;8" << QList<int>{7, 150, 100, 80, 80, 200};
    QTest::newRow("negative") << "-5;9" << QList<int>{0, 9, 100, 80, 80, 200};
  }
  void columnWidths() {
    QFETCH(QString, stored);
    QFETCH(QList<int>, widths);
    ColumnWidths result = DefaultColumnWidths(1000);
    ApplyColumnWidths(stored.toStdString(), result);
    QCOMPARE(QList<int>(result.begin(), result.end()), widths);
  }

  // Every column but Sound-Name as wide as it needs, Sound-Name the rest; what is stored reads
  // back as it was written.
  void fittedWidthsAndTheirText() {
    const ColumnWidths needed = {120, 60, 40, 90, 70, 80};
    const ColumnWidths fitted = FittedColumnWidths(1000, needed);
    QCOMPARE(QList<int>(fitted.begin(), fitted.end()), (QList<int>{660, 60, 40, 90, 70, 80}));
    const ColumnWidths narrow = FittedColumnWidths(300, needed);
    QCOMPARE(narrow[0], 120);
    QCOMPARE(FormatColumnWidths(fitted), std::string("660;60;40;90;70;80"));
    ColumnWidths back = DefaultColumnWidths(1000);
    ApplyColumnWidths(FormatColumnWidths(fitted), back);
    QCOMPARE(back, fitted);
  }

  void collectionColour() {
    QCOMPARE(CollectionColour(1), 0x0000FFu);
    QCOMPARE(CollectionColour(7), 0x900090u);
    QCOMPARE(CollectionColour(8), 0x909000u);
    QCOMPARE(CollectionColour(9), 0x0000FFu ^ 0x404040u);
    QCOMPARE(CollectionColour(18), 0x00FFFFu ^ 0x808080u);
  }

  void infoTip() {
    Library library;
    Source& source = CreateSource(library, "/x/bank.sf2");
    const Instrument& none = AddTestInstrument(library, source, "none", 1);
    QVERIFY(!InfoTipText(none));
    const Instrument& two = AddTestInstrument(library, source, "two", 2, {{"b", 3}, {"a", 10}});
    QCOMPARE(InfoTipText(two).value(), std::string("a (20)\r\nb (6)"));

    // Long names: the tip stops with "..." where the next line might not fit.
    const std::string longName(200, 'n');
    std::vector<std::pair<std::string, std::uint32_t>> samples;
    for (char c = 'a'; c <= 'h'; ++c) samples.push_back({c + longName, 1});
    const std::string tip =
        InfoTipText(AddTestInstrument(library, source, "long", 3, samples)).value();
    QVERIFY(tip.ends_with("\r\n..."));
    QCOMPARE(std::count(tip.begin(), tip.end(), '\n'), 4);
    QVERIFY(tip.size() < kInfoTipCapacity);

    // A ten-digit size can leave less room than "..." needs: the tip still fits its buffer.
    std::vector<std::pair<std::string, std::uint32_t>> huge;
    for (char c = 'a'; c <= 'z'; ++c)
      huge.push_back({std::string(1, c) + std::string(14, 'x'), 4000000000u});
    const std::string hugeTip =
        InfoTipText(AddTestInstrument(library, source, "huge", 4, huge), 31).value();
    QCOMPARE(hugeTip.size(), std::size_t{30});
  }

  // Header clicks: the first on Sound-Name reverses the initial ascending order; another column
  // sorts ascending. Equal rows keep their order; images follow the key.
  void sortClicksAndHeaderImages() {
    Library library;
    Source& source = CreateSource(library, "/x/bank.sf2");
    for (const auto& [name, id] : std::vector<std::pair<std::string, std::uint32_t>>{
             {"b", 0x30}, {"A", 0x10}, {"c", 0x10}, {"a2", 0x20}})
      AddTestInstrument(library, source, name, id);
    InstrumentListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.Fill(library);
    QCOMPARE(Names(model), (QStringList{"A", "a2", "b", "c"}));

    const auto images = [&model] {
      QList<HeaderImage> list;
      for (int c = 0; c < int{kColumnCount}; ++c) list << model.HeaderImageOf(c);
      return list;
    };
    const HeaderImage o = HeaderImage::kBlank;
    model.ClickColumn(0);
    QCOMPARE(model.sortKey(), -1);
    QCOMPARE(Names(model), (QStringList{"c", "b", "a2", "A"}));
    QVERIFY(images() == (QList<HeaderImage>{HeaderImage::kUp, o, o, o, o, o}));
    model.ClickColumn(0);
    QCOMPARE(Names(model), (QStringList{"A", "a2", "b", "c"}));
    QVERIFY(images() == (QList<HeaderImage>{HeaderImage::kDown, o, o, o, o, o}));
    model.ClickColumn(InstrumentListModel::kIdColumn);
    QCOMPARE(model.sortKey(), 6);
    QCOMPARE(Names(model), (QStringList{"A", "c", "a2", "b"}));  // A before c: kept from before
    QVERIFY(images() == (QList<HeaderImage>{o, o, o, o, o, HeaderImage::kDown}));
    QCOMPARE(model.headerData(5, Qt::Horizontal, Qt::DecorationRole).value<QPixmap>().toImage(),
             DrawHeaderImage(HeaderImage::kDown).toImage());
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DecorationRole).value<QPixmap>().toImage(),
             DrawHeaderImage(HeaderImage::kBlank).toImage());
    QVERIFY(DrawHeaderImage(HeaderImage::kUp).toImage() !=
            DrawHeaderImage(HeaderImage::kDown).toImage());
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Sound-Name"));
  }

  // Check boxes, the checked rows in display order, and the cells' texts and colours.
  void rowsAndCells() {
    Library library;
    Source& source = CreateSource(library, "/x/bank.sf2");
    AddTestInstrument(library, source, "b", 0xAB, {{"s", 600}});
    Instrument& shared = AddTestInstrument(library, source, "a", 0x1, {{"s", 600}});
    AddTestInstrument(library, source, "c", 0x2);
    NumberCollections(source);
    InstrumentListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.Fill(library);
    model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    QCOMPARE(model.CheckedInstruments(),
             (std::vector<const Instrument*>{model.InstrumentAt(0), model.InstrumentAt(2)}));
    model.ClickColumn(0);
    QCOMPARE(model.CheckedInstruments().front()->name, std::string("c"));
    model.SetAllChecked(false);
    QVERIFY(model.CheckedInstruments().empty());

    const int row = Names(model).indexOf("a");
    const auto text = [&](int column) { return model.data(model.index(row, column)).toString(); };
    QCOMPARE(text(1), QStringLiteral("(unknown)"));
    QCOMPARE(text(2), QStringLiteral("1"));
    QCOMPARE(text(4), QStringLiteral("1.1 kB"));
    QCOMPARE(text(5), QStringLiteral("[00000001]"));
    QCOMPARE(model.data(model.index(row, 2), Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
    QVERIFY(!model.data(model.index(Names(model).indexOf("c"), 2), Qt::BackgroundRole).isValid());
    QCOMPARE(model.data(model.index(row, 3), Qt::ForegroundRole).value<QColor>(),
             QColor(Qt::black));
    QCOMPARE(model.data(model.index(row, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("s (1200)"));
    // A SoundFont preset names its bank and program under its samples.
    shared.program = ProgramNumber{128, 25};
    QCOMPARE(model.data(model.index(row, 0), Qt::ToolTipRole).toString(),
             QStringLiteral("s (1200)\n\nSoundFont preset: bank 128, program 25"));
    // The status line counts a group shared by checked instruments once.
    const std::vector<const Instrument*> both = {&shared,
                                                 model.InstrumentAt(Names(model).indexOf("b"))};
    const CheckedSummary summary = SummarizeChecked(library, both);
    QCOMPARE(summary.groups, std::size_t{1});
    QCOMPARE(summary.sampleBytes, std::uint64_t{1200});
    QCOMPARE(shared.group->exportMark, 1u);
  }

  // A name shortened beyond recognition: the tip begins with the name as imported.
  void infoTipNamesTheImportedName() {
    Library library;
    Source& source = CreateSource(library, "/x/bank.sf2");
    auto organ = CreateInstrument(source, "Percussive Organ/GS", "bank_Percussivergn/GS", 1);
    AddInstrument(library, std::move(organ));
    AddTestInstrument(library, source, "Piano", 2, {{"s", 600}}).foundName = "Grand Piano, Hall";
    InstrumentListModel model;
    model.Fill(library);
    const auto tip = [&](const char* name) {
      return model.data(model.index(Names(model).indexOf(name), 0), Qt::ToolTipRole).toString();
    };
    // Without samples the tip is that line alone.
    QCOMPARE(tip("bank_Percussivergn/GS"), QStringLiteral("Imported as: Percussive Organ/GS"));
    QCOMPARE(tip("Piano"), QStringLiteral("Imported as: Grand Piano, Hall\n\ns (1200)"));
  }

  void itemMenu() {
    QMenu menu;
    BuildItemMenu(menu);
    QStringList texts;
    for (const QAction* action : menu.actions()) texts << action->text();
    QCOMPARE(texts, (QStringList{"Check", "Uncheck", "Delete", "", "Category"}));
    QCOMPARE(menu.actions()[0]->data().toInt(), kCheckCommand);
    QVERIFY(!menu.actions()[2]->isEnabled() && menu.actions()[3]->isSeparator());
    const QList<QAction*> categories = menu.actions()[4]->menu()->actions();
    QStringList names;
    for (const QAction* action : categories) names << action->text();
    // Each category shows the code --category takes; the suggestion and its undo come last.
    QCOMPARE(names,
             (QStringList{"Other\t@@", "Kick", "Snare", "HiHat", "Tom", "Cymbal", "Percussion",
                          "Drum-Loop", "Perc-Loop", "Tonal-Loop", "FX-Loop\tx@", "A-Synth",
                          "D-Synth", "", "Suggest from Names", "Undo Suggested Categories"}));
    QCOMPARE(categories[0]->data().toInt(), 0x4040);
    QCOMPARE(categories[1]->menu()->actions().size(), 18);
    QCOMPARE(categories[1]->menu()->actions()[2]->text(), QStringLiteral("HipHop\tKH"));
    QCOMPARE(categories[14]->data().toInt(), kSuggestCategoriesCommand);
    QVERIFY(!categories[15]->isEnabled());
    QMenu undoable;
    BuildItemMenu(undoable, true);
    QVERIFY(undoable.actions()[4]->menu()->actions()[15]->isEnabled());
  }

  // The collection colours run from pale to dark; the number on each reads at 4.5:1 or more.
  void collectionNumbersAreReadableOnTheirColours() {
    Library library;
    Source& source = CreateSource(library, "/x/bank.sf2");
    for (std::uint32_t n = 1; n <= 32; ++n) {
      Instrument& instrument = AddTestInstrument(library, source, "i" + std::to_string(n), n,
                                                 {{"s" + std::to_string(n), 100}});
      instrument.group->collectionNumber = n;
    }
    InstrumentListModel model;
    model.Fill(library);
    const auto luminance = [](const QColor& c) {
      const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
      };
      return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    for (int row = 0; row < model.rowCount(); ++row) {
      const QModelIndex cell = model.index(row, InstrumentListModel::kCollColumn);
      const double a = luminance(model.data(cell, Qt::ForegroundRole).value<QColor>());
      const double b = luminance(model.data(cell, Qt::BackgroundRole).value<QColor>());
      const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
      QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("row %1: %2").arg(row).arg(contrast)));
    }
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::ListTest)
#include "list_test.moc"
