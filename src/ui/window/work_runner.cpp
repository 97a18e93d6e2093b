#include "ui/window/work_runner.h"

#include <algorithm>
#include <utility>

#include "ui/window/window_texts.h"

namespace tolvane {

void RunnerProgress::Step(std::string_view what, std::size_t done, std::size_t total) {
  const std::lock_guard lock(mutex_);
  // Steps may come from several decoding threads at once; the count only grows.
  if (state_.what == what && state_.total == total && done < state_.done) return;
  state_.what.assign(what);
  state_.done = done;
  state_.total = total;
}

void RunnerProgress::SetItem(std::string_view item, std::size_t done, std::size_t total) {
  const std::lock_guard lock(mutex_);
  state_ = Snapshot{std::string(item), done, total, {}, 0, 0};
}

RunnerProgress::Snapshot RunnerProgress::Read() const {
  const std::lock_guard lock(mutex_);
  return state_;
}

QString ProgressText(const QString& title, const RunnerProgress::Snapshot& progress) {
  QString text = title;
  if (progress.items > 1)
    text += QStringLiteral(" %1 of %2")
                .arg(std::min(progress.itemsDone + 1, progress.items))
                .arg(progress.items);
  if (!progress.item.empty()) text += QStringLiteral(": ") + QString::fromStdString(progress.item);
  if (!progress.what.empty() && progress.total > 0)
    text += QStringLiteral(" - %1 %2 of %3")
                .arg(QString::fromStdString(progress.what))
                .arg(progress.done)
                .arg(progress.total);
  return text;
}

int ProgressPermille(const RunnerProgress::Snapshot& progress) {
  const double step = progress.total > 0
                          ? static_cast<double>(std::min(progress.done, progress.total)) /
                                static_cast<double>(progress.total)
                          : 0.0;
  const double share = progress.items > 0 ? (static_cast<double>(progress.itemsDone) + step) /
                                                static_cast<double>(progress.items)
                                          : step;
  return static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000.0);
}

WorkRunner::WorkRunner(QObject* parent) : QObject(parent) {
  timer_.setInterval(kUpdateMilliseconds);
  connect(&timer_, &QTimer::timeout, this, [this] { Report(); });
}

WorkRunner::~WorkRunner() {
  Abandon();
}

bool WorkRunner::Start(const QString& title, Work work, Finished finished) {
  if (Busy()) return false;
  title_ = title;
  progress_ = std::make_unique<RunnerProgress>();
  finished_ = std::move(finished);
  const unsigned generation = ++generation_;
  RunnerProgress* progress = progress_.get();
  worker_ = std::thread([this, generation, progress, work = std::move(work)] {
    work(*progress);
    // Delivered on this object's thread; dropped with the object if it is gone by then.
    QMetaObject::invokeMethod(
        this, [this, generation] { WorkerDone(generation); }, Qt::QueuedConnection);
  });
  Report();
  timer_.start();
  return true;
}

void WorkRunner::Cancel() {
  if (Busy()) progress_->Cancel();
}

void WorkRunner::Abandon() {
  if (!Busy()) return;
  progress_->Cancel();
  worker_.join();
  ++generation_;
  timer_.stop();
  finished_ = nullptr;
}

void WorkRunner::WorkerDone(unsigned generation) {
  if (generation != generation_ || !Busy()) return;
  worker_.join();
  timer_.stop();
  const bool cancelled = progress_->Cancelled();
  Finished finished = std::move(finished_);
  finished_ = nullptr;
  if (finished) finished(cancelled);
}

void WorkRunner::Report() {
  if (!Busy()) return;
  if (progress_->Cancelled()) {
    emit Progressed(QString::fromLatin1(texts::kCancellingStatus), 1000);
    return;
  }
  const RunnerProgress::Snapshot snapshot = progress_->Read();
  emit Progressed(ProgressText(title_, snapshot), ProgressPermille(snapshot));
}

}  // namespace tolvane
