#pragma once
// Long work (a drop's import, an export) on a worker thread, one piece at a time, so that the
// window keeps answering: the work builds its result apart from what the window shows, its
// progress is read on the window thread at a steady pace, and its end is handed back there.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/work_progress.h"

namespace tolvane {

// What a running piece of work has told so far; written by the worker (and the threads it
// starts), read by the window.
class RunnerProgress : public WorkProgress {
 public:
  struct Snapshot {
    std::string item;  // the file at hand, for work on many
    std::size_t itemsDone = 0;
    std::size_t items = 0;
    std::string what;  // the core's step within the item
    std::size_t done = 0;
    std::size_t total = 0;
  };

  void Step(std::string_view what, std::size_t done, std::size_t total) override;
  bool Cancelled() const override { return cancelled_; }

  // The item at hand: `done` of `total` items are finished. Clears the step of the one before.
  void SetItem(std::string_view item, std::size_t done, std::size_t total);
  void Cancel() { cancelled_ = true; }
  Snapshot Read() const;

 private:
  mutable std::mutex mutex_;
  Snapshot state_;
  std::atomic<bool> cancelled_{false};
};

// "TITLE 3 of 600: ITEM - WHAT 12 of 40" with the parts the snapshot has.
QString ProgressText(const QString& title, const RunnerProgress::Snapshot& progress);
// How far the work is, 0 to 1000, as far as the snapshot tells.
int ProgressPermille(const RunnerProgress::Snapshot& progress);

class WorkRunner : public QObject {
  Q_OBJECT

 public:
  using Work = std::function<void(RunnerProgress&)>;
  using Finished = std::function<void(bool cancelled)>;

  // How often the progress is read while work runs.
  static constexpr int kUpdateMilliseconds = 100;

  explicit WorkRunner(QObject* parent = nullptr);
  ~WorkRunner() override;  // abandons running work
  WorkRunner(const WorkRunner&) = delete;
  WorkRunner& operator=(const WorkRunner&) = delete;

  // Runs `work` on a worker thread, then `finished` on this object's thread (from its event
  // loop), told whether the work was cancelled. `title` heads the progress text. False, and
  // nothing starts, while other work runs.
  bool Start(const QString& title, Work work, Finished finished);
  bool Busy() const { return worker_.joinable(); }
  bool Cancelling() const { return Busy() && progress_->Cancelled(); }
  // Asks the work to stop; `finished` still runs, told it was cancelled.
  void Cancel();
  // Cancels the work and waits for the worker; `finished` never runs.
  void Abandon();

 signals:
  // When work starts, and every kUpdateMilliseconds while it runs.
  void Progressed(const QString& text, int permille);

 private:
  void WorkerDone(unsigned generation);
  void Report();

  QTimer timer_;
  QString title_;
  std::unique_ptr<RunnerProgress> progress_;
  Finished finished_;
  std::thread worker_;
  unsigned generation_ = 0;  // tells a finished worker's message from an abandoned one's
};

}  // namespace tolvane
