// The Windows icon file built from the program icon: its header and directory as Windows reads
// them, each entry's PNG whole at its offset, and the refusals.

#include <QImage>
#include <QTest>
#include <cstdint>
#include <vector>

#include "ui/window/icon_file.h"
#include "ui/window/program_icon.h"

namespace tolvane {
namespace {

std::uint32_t LittleEndian(const QByteArray& bytes, qsizetype at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

}  // namespace

class IconFileTest : public QObject {
  Q_OBJECT

 private slots:
  void entriesHoldEachImageAsPng() {
    const std::vector<int> sizes = {16, 32, 48, 256};
    std::vector<QImage> images;
    for (const int size : sizes) images.push_back(DrawProgramIcon(size));
    const QByteArray icon = IconFile(images);
    QVERIFY(icon.size() > 6 + 16 * 4);
    QCOMPARE(LittleEndian(icon, 0, 2), 0U);
    QCOMPARE(LittleEndian(icon, 2, 2), 1U);
    QCOMPARE(LittleEndian(icon, 4, 2), 4U);
    std::uint32_t end = 6 + 16 * 4;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      const qsizetype entry = 6 + 16 * static_cast<qsizetype>(i);
      // 256 pixels are written as 0.
      QCOMPARE(LittleEndian(icon, entry, 1), static_cast<std::uint32_t>(sizes[i] % 256));
      QCOMPARE(LittleEndian(icon, entry + 1, 1), static_cast<std::uint32_t>(sizes[i] % 256));
      QCOMPARE(LittleEndian(icon, entry + 6, 2), 32U);
      const std::uint32_t bytes = LittleEndian(icon, entry + 8, 4);
      const std::uint32_t offset = LittleEndian(icon, entry + 12, 4);
      QCOMPARE(offset, end);  // packed in order, nothing between
      QImage decoded;
      QVERIFY(decoded.loadFromData(icon.mid(offset, bytes), "PNG"));
      QCOMPARE(decoded.size(), QSize(sizes[i], sizes[i]));
      QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
               images[i].convertToFormat(QImage::Format_ARGB32));
      end = offset + bytes;
    }
    QCOMPARE(static_cast<qsizetype>(end), icon.size());
  }

  void refusesImagesWindowsCannotHold() {
    QVERIFY(IconFile({QImage()}).isEmpty());
    QVERIFY(IconFile({DrawProgramIcon(16), QImage(257, 257, QImage::Format_ARGB32)}).isEmpty());
  }
};

}  // namespace tolvane

QTEST_MAIN(tolvane::IconFileTest)
#include "icon_file_test.moc"
