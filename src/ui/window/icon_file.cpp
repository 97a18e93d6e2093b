#include "ui/window/icon_file.h"

#include <QBuffer>
#include <cstdint>

namespace tolvane {
namespace {

constexpr int kLargest = 256;
constexpr std::uint32_t kHeaderBytes = 6;
constexpr std::uint32_t kEntryBytes = 16;

void PutLittleEndian(QByteArray& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFFU));
}

}  // namespace

QByteArray IconFile(const std::vector<QImage>& images) {
  std::vector<QByteArray> pngs;
  for (const QImage& image : images) {
    if (image.isNull() || image.width() > kLargest || image.height() > kLargest) return {};
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
    pngs.push_back(png);
  }
  QByteArray out;
  PutLittleEndian(out, 0, 2);  // reserved
  PutLittleEndian(out, 1, 2);  // an icon, not a cursor
  PutLittleEndian(out, static_cast<std::uint32_t>(pngs.size()), 2);
  auto offset = static_cast<std::uint32_t>(kHeaderBytes + kEntryBytes * pngs.size());
  for (std::size_t i = 0; i < pngs.size(); ++i) {
    // 256 pixels are written as 0.
    PutLittleEndian(out, static_cast<std::uint32_t>(images[i].width() % kLargest), 1);
    PutLittleEndian(out, static_cast<std::uint32_t>(images[i].height() % kLargest), 1);
    PutLittleEndian(out, 0, 1);   // no palette
    PutLittleEndian(out, 0, 1);   // reserved
    PutLittleEndian(out, 1, 2);   // colour planes
    PutLittleEndian(out, 32, 2);  // bits per pixel
    PutLittleEndian(out, static_cast<std::uint32_t>(pngs[i].size()), 4);
    PutLittleEndian(out, offset, 4);
    offset += static_cast<std::uint32_t>(pngs[i].size());
  }
  for (const QByteArray& png : pngs) out.append(png);
  return out;
}

}  // namespace tolvane
