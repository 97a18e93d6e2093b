// Writes the program icon's images for the desktop: make_program_icons DIR writes
// DIR/16x16/apps/tolvane-sound-converter.png and the same under 32x32.

#include <QDir>
#include <QString>
#include <cstdio>

#include "ui/window/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_program_icons DIR\n");
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
  return 0;
}
