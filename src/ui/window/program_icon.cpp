#include "ui/window/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tolvane {

QImage DrawProgramIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 32-unit grid, the grid of the scalable icon.
  painter.scale(size / 32.0, size / 32.0);

  painter.setPen(QPen(QColor(0x13, 0x4a, 0x5c), 1.0));
  painter.setBrush(QColor(0x1f, 0x6f, 0x8b));
  painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);

  QPainterPath wave(QPointF(5, 11));
  wave.cubicTo(QPointF(8, 2), QPointF(10, 2), QPointF(12.5, 11));
  wave.cubicTo(QPointF(15, 20), QPointF(17, 20), QPointF(19.5, 11));
  wave.cubicTo(QPointF(22, 2), QPointF(24, 2), QPointF(27, 11));
  painter.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(wave);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xf5, 0xf5, 0xf0));
  painter.drawRect(QRectF(5, 19, 22, 8));
  painter.setBrush(QColor(0x10, 0x10, 0x10));
  for (const double x : {8.0, 12.0, 18.5, 22.5}) painter.drawRect(QRectF(x, 19, 2, 4.5));
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32}) icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
  return icon;
}

}  // namespace tolvane
