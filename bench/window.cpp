// The window's share of a drop: importing files alone against the same drop through the window
// (import, list fill, sort, first row selected, one status update, the list painted), offscreen.
//
//   bench_window BANK WAVES RUNS
//
// Two drops: every instrument of BANK, and WAVES small WAV files made for it. Each is timed RUNS
// times both ways, in turn, after one warm-up round, every run with a fresh library and sound
// database. Prints the medians and their ratio; exits 1 when a drop through the window costs more
// than 1.2 x the import alone.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/none_devices.h"
#include "database/sound_database.h"
#include "import/import_file.h"
#include "library/library.h"
#include "ui/window/main_dialog.h"

namespace {

constexpr double kTarget = 1.2;

void WriteWave(const QString& path, std::uint32_t frames) {
  QByteArray bytes;
  const auto put = [&bytes](std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  bytes.append("RIFF");
  put(36 + 2 * frames, 4);
  bytes.append("WAVEfmt ");
  put(16, 4), put(1, 2), put(1, 2), put(44100, 4), put(88200, 4), put(2, 2), put(16, 2);
  bytes.append("data");
  put(2 * frames, 4);
  bytes.append(QByteArray(static_cast<qsizetype>(2 * frames), '\x11'));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "bench_window: cannot write %s\n", qPrintable(path));
    std::exit(2);
  }
}

double ImportAlone(const QStringList& files) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  QElapsedTimer clock;
  clock.start();
  for (const QString& file : files)
    static_cast<void>(
        tolvane::ImportFile(library, database, QFile::encodeName(file).toStdString()));
  return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

double DropOnWindow(const QStringList& files) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  tolvane::NoMidiInput midi;
  tolvane::NoAudioOutput audio;
  tolvane::MainDialog dialog({library, database, {}, midi, audio});
  dialog.show();
  QApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  dialog.ImportDrop(files);
  QApplication::processEvents();  // what the drop left queued, the list's paint included
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  if (dialog.model().rowCount() == 0) {
    std::fprintf(stderr, "bench_window: the drop imported nothing\n");
    std::exit(2);
  }
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Times one drop both ways; true when the target is met.
bool Measure(const std::string& name, const QStringList& files, int runs) {
  ImportAlone(files);
  DropOnWindow(files);
  std::vector<double> alone, window;
  for (int run = 0; run < runs; ++run) {
    if (run % 2 == 0) alone.push_back(ImportAlone(files));
    window.push_back(DropOnWindow(files));
    if (run % 2 != 0) alone.push_back(ImportAlone(files));
  }
  const double a = Median(alone), w = Median(window);
  const bool ok = w <= kTarget * a;
  std::printf(
      "%-22s import %8.3fs  drop on window %8.3fs  window/import %5.2f (target <= %.2f) %s\n",
      name.c_str(), a, w, w / a, kTarget, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_window BANK WAVES RUNS\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir place;
  // Settings of this run stay in its own folder.
  qputenv("XDG_CONFIG_HOME", place.filePath(QStringLiteral("config")).toUtf8());
  QApplication application(argc, argv);

  const int waves = std::atoi(argv[2]);
  const int runs = std::max(1, std::atoi(argv[3]));
  QStringList waveFiles;
  for (int i = 0; i < waves; ++i) {
    waveFiles << place.filePath(QStringLiteral("wave%1.wav").arg(i, 5, 10, QLatin1Char('0')));
    WriteWave(waveFiles.back(), 1000);
  }
  const QString bankFile = QString::fromLocal8Bit(argv[1]);
  const bool bank = Measure(QFileInfo(bankFile).fileName().toStdString(), {bankFile}, runs);
  const bool many = Measure(std::to_string(waves) + " WAV files", waveFiles, runs);
  return bank && many ? 0 : 1;
}
