// The window during long work, offscreen: a drop and a collection export on the window against
// the same work alone, with the longest time the window thread did not answer meanwhile, and the
// time from the start of the program to the window's first paint.
//
//   bench_window BANK SF3BANK WAVES RUNS
//
// Three drops: every instrument of BANK, of the compressed SF3BANK, and WAVES small WAV files made
// for it; and a collection export of each bank's instruments. Each is timed RUNS times both ways,
// in turn, after one warm-up round, every run with a fresh library and sound database. Prints the
// medians, their ratio and the longest pause of the window thread; exits 1 when a target is
// missed: the window's work within 1.05 x the work alone, no pause over 50 ms, and the first
// paint within 0.3 s of the start. Also the instrument panel's redraw for an instrument of 500
// zones, within 50 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/none_devices.h"
#include "database/sound_database.h"
#include "export/export_commands.h"
#include "import/import_file.h"
#include "library/library.h"
#include "library/zone.h"
#include "ui/window/instrument_panel.h"
#include "ui/window/main_dialog.h"
#include "ui/window/prompts.h"

namespace {

constexpr double kTarget = 1.05;
constexpr double kLongestPause = 0.050;
constexpr double kFirstPaint = 0.3;
constexpr double kPanelRedraw = 0.050;
constexpr int kPanelZones = 500;

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

double Seconds(const QElapsedTimer& clock) {
  return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

double ImportAlone(const QStringList& files) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  QElapsedTimer clock;
  clock.start();
  for (const QString& file : files)
    static_cast<void>(
        tolvane::ImportFile(library, database, QFile::encodeName(file).toStdString()));
  return Seconds(clock);
}

// Answers the collection prompt with one file.
class AnswerFile : public tolvane::Prompts {
 public:
  explicit AnswerFile(QString file) : file_(std::move(file)) {}
  std::optional<QString> AskSaveFile(const tolvane::SaveFileRequest& /*request*/) override {
    return file_;
  }
  std::optional<QString> AskFolder(const QString& /*title*/, const QString& /*folder*/) override {
    return std::nullopt;
  }
  QStringList AskOpenFiles(const QString& /*title*/, const QStringList& /*filters*/,
                           const QString& /*folder*/) override {
    return {};
  }
  void ShowMessage(const QString& /*caption*/, const QString& text,
                   const QString& detail) override {
    std::fprintf(stderr, "bench_window: %s %s\n", qPrintable(text), qPrintable(detail));
    std::exit(2);
  }
  int ChooseFromMenu(QMenu& /*menu*/, const QPoint& /*position*/) override { return 0; }

 private:
  QString file_;
};

struct WindowRun {
  double seconds = 0;
  double longestPause = 0;  // between two ticks of a 10 ms timer on the window thread
};

// Runs the dialog's event loop until its work has ended, timing it and the window thread's
// longest pause.
WindowRun UntilFinished(tolvane::MainDialog& dialog, const std::function<void()>& start) {
  QEventLoop loop;
  QObject::connect(&dialog, &tolvane::MainDialog::WorkFinished, &loop, &QEventLoop::quit);
  QTimer ticks;
  ticks.setInterval(10);
  QElapsedTimer clock, sinceTick;
  WindowRun run;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    run.longestPause = std::max(run.longestPause, Seconds(sinceTick));
    sinceTick.restart();
  });
  clock.start();
  sinceTick.start();
  ticks.start();
  start();
  if (dialog.Busy()) loop.exec();
  QApplication::processEvents();  // what the end left queued, the list's paint included
  run.seconds = Seconds(clock);
  run.longestPause = std::max(run.longestPause, Seconds(sinceTick));
  return run;
}

WindowRun DropOnWindow(const QStringList& files) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  tolvane::NoMidiInput midi;
  tolvane::NoAudioOutput audio;
  tolvane::MainDialog dialog({library, database, {}, midi, audio});
  dialog.show();
  QApplication::processEvents();
  const WindowRun run = UntilFinished(dialog, [&] { dialog.ImportDrop(files); });
  if (dialog.model().rowCount() == 0) {
    std::fprintf(stderr, "bench_window: the drop imported nothing\n");
    std::exit(2);
  }
  return run;
}

double ExportAlone(const QString& bank, const QString& out) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  static_cast<void>(tolvane::ImportFile(library, database, QFile::encodeName(bank).toStdString()));
  std::vector<const tolvane::Instrument*> rows;
  for (const auto& instrument : library.instruments) rows.push_back(instrument.get());
  QElapsedTimer clock;
  clock.start();
  if (!tolvane::ExportCollection(rows, std::filesystem::path(out.toStdString()))) std::exit(2);
  return Seconds(clock);
}

WindowRun ExportOnWindow(const QString& bank, const QString& out) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  tolvane::NoMidiInput midi;
  tolvane::NoAudioOutput audio;
  AnswerFile prompts(out);
  tolvane::MainDialog dialog({library, database, {}, midi, audio}, &prompts);
  dialog.show();
  UntilFinished(dialog, [&] { dialog.ImportDrop({bank}); });
  return UntilFinished(dialog, [&] { dialog.ExportCollection(); });
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Times one piece of work both ways, RUNS times in turn; true when the targets are met.
bool Measure(const std::string& name, int runs, const std::function<double()>& alone,
             const std::function<WindowRun()>& onWindow) {
  alone();
  onWindow();
  std::vector<double> aloneTimes, windowTimes;
  double longestPause = 0;
  for (int run = 0; run < runs; ++run) {
    if (run % 2 == 0) aloneTimes.push_back(alone());
    const WindowRun window = onWindow();
    windowTimes.push_back(window.seconds);
    longestPause = std::max(longestPause, window.longestPause);
    if (run % 2 != 0) aloneTimes.push_back(alone());
  }
  const double a = Median(aloneTimes), w = Median(windowTimes);
  const bool ratioOk = w <= kTarget * a;
  const bool pauseOk = longestPause <= kLongestPause;
  std::printf(
      "%-30s alone %7.3fs  on window %7.3fs  window/alone %5.2f (target <= %.2f) %s  "
      "longest pause %5.0f ms (target <= %.0f) %s\n",
      name.c_str(), a, w, w / a, kTarget, ratioOk ? "ok" : "MISSED", longestPause * 1000,
      kLongestPause * 1000, pauseOk ? "ok" : "MISSED");
  return ratioOk && pauseOk;
}

// From the start of the program to the window's first paint, with a bank to import once shown.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint && seconds < 0) seconds = Seconds(sinceStart);
    return false;
  }
  QElapsedTimer sinceStart;
  double seconds = -1;
};

bool MeasureFirstPaint(FirstPaint& paint, const QString& bank) {
  tolvane::Library library;
  tolvane::SoundDatabase database;
  tolvane::NoMidiInput midi;
  tolvane::NoAudioOutput audio;
  tolvane::MainDialog dialog({library, database, {}, midi, audio});
  dialog.installEventFilter(&paint);
  dialog.ImportWhenShown({bank});
  dialog.show();
  UntilFinished(dialog, [] {});
  const bool ok = paint.seconds >= 0 && paint.seconds <= kFirstPaint;
  std::printf("%-30s first paint %.3fs after the start (target <= %.1f) %s\n",
              QFileInfo(bank).fileName().toUtf8().constData(), paint.seconds, kFirstPaint,
              ok ? "ok" : "MISSED");
  return ok;
}

// The instrument panel shown for a new current row: an instrument of 500 zones over 500 samples
// of a second each, its key map and the first zone's waveform drawn, at a usual window's size.
bool MeasurePanelRedraw(int runs) {
  tolvane::Library library;
  tolvane::Source& source = tolvane::CreateSource(library, "/bench/panel.sfz");
  auto made = tolvane::CreateInstrument(source, "panel", "panel", 1);
  for (int i = 0; i < kPanelZones; ++i) {
    std::vector<std::int16_t> values(44100);
    for (std::size_t f = 0; f < values.size(); ++f)
      values[f] = static_cast<std::int16_t>(((f * static_cast<std::size_t>(i + 3)) % 2000) * 16);
    const std::string name = "sample " + std::to_string(i);
    tolvane::SampleRequest request;
    request.name = name;
    request.sampleRate = 44100;
    request.frames = static_cast<std::uint32_t>(values.size());
    request.rootKey = static_cast<std::uint32_t>(i % 128);
    tolvane::Zone zone;
    zone.sample = tolvane::AddSample(*made, request, tolvane::SampleData(std::move(values)));
    zone.mapping.keyLow = zone.mapping.keyHigh = static_cast<std::uint8_t>(i % 128);
    zone.mapping.velLow = static_cast<std::uint8_t>((i / 128) * 32);
    zone.mapping.velHigh = static_cast<std::uint8_t>((i / 128) * 32 + 31);
    tolvane::AddZone(*made, zone);
  }
  const tolvane::Instrument& instrument = tolvane::AddInstrument(library, std::move(made));
  tolvane::InstrumentPanel panel;
  panel.resize(1200, 360);
  std::vector<double> times;
  for (int run = 0; run < std::max(3, runs); ++run) {
    panel.SetInstrument(nullptr);
    QElapsedTimer clock;
    clock.start();
    panel.SetInstrument(&instrument);
    static_cast<void>(panel.grab());
    times.push_back(Seconds(clock));
  }
  const double median = Median(times);
  const bool ok = median <= kPanelRedraw;
  std::printf("%-30s redraw %5.1f ms for %d zones (target <= %.0f) %s\n", "instrument panel",
              median * 1000, kPanelZones, kPanelRedraw * 1000, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  FirstPaint paint;
  paint.sinceStart.start();
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench_window BANK SF3BANK WAVES RUNS\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir place;
  // Settings of this run stay in its own folder.
  qputenv("XDG_CONFIG_HOME", place.filePath(QStringLiteral("config")).toUtf8());
  QApplication application(argc, argv);

  const QString bankFile = QString::fromLocal8Bit(argv[1]);
  const QString sf3File = QString::fromLocal8Bit(argv[2]);
  bool ok = MeasureFirstPaint(paint, sf3File);
  const int waves = std::atoi(argv[3]);
  const int runs = std::max(1, std::atoi(argv[4]));
  ok &= MeasurePanelRedraw(runs);
  QStringList waveFiles;
  for (int i = 0; i < waves; ++i) {
    waveFiles << place.filePath(QStringLiteral("wave%1.wav").arg(i, 5, 10, QLatin1Char('0')));
    WriteWave(waveFiles.back(), 1000);
  }
  const QString out = place.filePath(QStringLiteral("out.SLC"));
  for (const QString& bank : {bankFile, sf3File}) {
    const std::string name = QFileInfo(bank).fileName().toStdString();
    ok &= Measure(
        name + " drop", runs, [&] { return ImportAlone({bank}); },
        [&] { return DropOnWindow({bank}); });
    ok &= Measure(
        name + " export", runs, [&] { return ExportAlone(bank, out); },
        [&] { return ExportOnWindow(bank, out); });
  }
  ok &= Measure(
      std::to_string(waves) + " WAV files drop", runs, [&] { return ImportAlone(waveFiles); },
      [&] { return DropOnWindow(waveFiles); });
  return ok ? 0 : 1;
}
