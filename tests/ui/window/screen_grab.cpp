// Test helper: waits until the X screen shows something that stays the same for half a second
// (the window is up and done with its drop), then saves it as a PNG.
//   tolvane_screen_grab OUT.png [SECONDS]

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {

bool ShowsSomething(const QImage& image) {
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4)
      if (image.pixel(x, y) != first) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tolvane_screen_grab OUT.png [SECONDS]\n");
    return 2;
  }
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  QScreen* screen = QGuiApplication::primaryScreen();
  QImage previous;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < qint64{seconds} * 1000) {
    const QImage shot = screen->grabWindow(0).toImage();
    if (ShowsSomething(shot) && shot == previous) return shot.save(argv[1]) ? 0 : 1;
    previous = shot;
    QThread::msleep(500);
  }
  std::fprintf(stderr, "tolvane_screen_grab: the screen did not settle in %d s\n", seconds);
  return 1;
}
