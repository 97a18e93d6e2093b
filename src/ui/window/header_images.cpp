#include "ui/window/header_images.h"

#include <QPainter>
#include <QPolygon>

namespace tolvane {

QPixmap DrawHeaderImage(HeaderImage image) {
  constexpr int kSize = 8;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  if (image == HeaderImage::kBlank) return pixmap;
  // Corners on the pixel grid, so that the triangle stays crisp at this size.
  const QPolygon triangle = image == HeaderImage::kUp
                                ? QPolygon({QPoint(0, 6), QPoint(7, 6), QPoint(3, 1)})
                                : QPolygon({QPoint(0, 1), QPoint(7, 1), QPoint(3, 6)});
  QPainter painter(&pixmap);
  painter.setBrush(QColor(0x80, 0x80, 0x80));
  painter.setPen(Qt::white);
  painter.drawPolygon(triangle);
  return pixmap;
}

}  // namespace tolvane
