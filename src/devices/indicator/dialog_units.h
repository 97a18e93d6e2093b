#pragma once
// Dialog units: the layout unit of the window's template, derived from the dialog's font so that
// the window keeps its proportions on any font. A horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>

namespace tolvane {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average over the Latin letters, as the platform measures a dialog font; Qt's
    // averageCharWidth() depends on the font file's own table and differs between fonts.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageWidth_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    height_ = metrics.height();
  }

  // Rounded to the nearest pixel, as the platform maps a dialog rectangle.
  int X(int units) const { return (units * averageWidth_ + 2) / 4; }
  int Y(int units) const { return (units * height_ + 4) / 8; }
  QSize Size(int width, int height) const { return {X(width), Y(height)}; }
  QRect Rect(int x, int y, int width, int height) const {
    return {X(x), Y(y), X(width), Y(height)};
  }

 private:
  int averageWidth_ = 0;
  int height_ = 0;
};

}  // namespace tolvane
