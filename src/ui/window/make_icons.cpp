// Writes the program icon's images: make_program_icons DIR [ICO] writes
// DIR/16x16/apps/tolvane-sound-converter.png and the same under 32x32 for the desktop, and ICO,
// when named, the Windows icon file for the executable (16, 32, 48 and 256 pixels).

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>

#include "ui/window/icon_file.h"
#include "ui/window/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_program_icons DIR [ICO]\n");
    return 2;
  }
  for (const int size : {16, 32}) {
    const QString folder =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(folder) || !tolvane::DrawProgramIcon(size).save(
                                      folder + QStringLiteral("/tolvane-sound-converter.png"))) {
      std::fprintf(stderr, "make_program_icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  if (argc == 3) {
    const QByteArray icon =
        tolvane::IconFile({tolvane::DrawProgramIcon(16), tolvane::DrawProgramIcon(32),
                           tolvane::DrawProgramIcon(48), tolvane::DrawProgramIcon(256)});
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (icon.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(icon) != icon.size()) {
      std::fprintf(stderr, "make_program_icons: cannot write %s\n", argv[2]);
      return 1;
    }
  }
  return 0;
}
