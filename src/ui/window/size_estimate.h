#pragma once
// The size an export of the checked rows will have with the chosen options, measured on a thread
// of its own (MeasureExport) so that the window never waits for it.

#include <QObject>
#include <QtGlobal>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "export/export_commands.h"
#include "export/export_size.h"

namespace tolvane {

class SizeEstimate : public QObject {
  Q_OBJECT

 public:
  SizeEstimate() = default;
  ~SizeEstimate() override;
  SizeEstimate(const SizeEstimate&) = delete;
  SizeEstimate& operator=(const SizeEstimate&) = delete;

  // Measures the export of `checked` with `options`; Measured follows unless another request or
  // Stop comes first. One measurement runs at a time: a request made meanwhile cancels it and
  // starts once it has ended. The instruments must stay as they are until Measured or Stop.
  void Request(std::vector<const Instrument*> checked, const ExportOptions& options);
  // Cancels the measurement and waits for its end: before the library it reads changes, and
  // before other work writes what an export writes (samples' places in their tables).
  void Stop();

 signals:
  // On the window's thread: the collection's size (0 when it cannot be written) and the single
  // files' together.
  void Measured(quint64 collectionBytes, quint64 singleBytes);

 private:
  struct Job {
    std::vector<const Instrument*> checked;
    ExportOptions options;
  };
  class Cancel : public WorkProgress {
   public:
    bool Cancelled() const override { return cancelled.load(); }
    std::atomic<bool> cancelled{false};
  };

  void Start(Job request);
  void Ended(unsigned generation, const ExportSize& size);

  std::thread thread_;
  std::shared_ptr<Cancel> cancel_;
  std::optional<Job> pending_;
  unsigned generation_ = 0;  // of the measurement running or last run
};

}  // namespace tolvane
