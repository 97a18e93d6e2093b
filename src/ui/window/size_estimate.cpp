#include "ui/window/size_estimate.h"

#include <utility>

namespace tolvane {

SizeEstimate::~SizeEstimate() {
  Stop();
}

void SizeEstimate::Request(std::vector<const Instrument*> checked, const ExportOptions& options) {
  Job request{std::move(checked), options};
  if (thread_.joinable()) {
    // The running one is out of date; the newest request waits for its end.
    cancel_->cancelled = true;
    pending_ = std::move(request);
    return;
  }
  Start(std::move(request));
}

void SizeEstimate::Stop() {
  pending_.reset();
  ++generation_;  // whatever end is still queued is not told
  if (!thread_.joinable()) return;
  cancel_->cancelled = true;
  thread_.join();
}

void SizeEstimate::Start(Job request) {
  const unsigned generation = ++generation_;
  cancel_ = std::make_shared<Cancel>();
  thread_ = std::thread([this, generation, cancel = cancel_, request = std::move(request)] {
    const ExportSize size = MeasureExport(request.checked, request.options, cancel.get());
    QMetaObject::invokeMethod(
        this, [this, generation, size] { Ended(generation, size); }, Qt::QueuedConnection);
  });
}

void SizeEstimate::Ended(unsigned generation, const ExportSize& size) {
  if (generation != generation_) return;  // stopped meanwhile: the thread is joined
  thread_.join();
  if (pending_) {
    Start(*std::exchange(pending_, std::nullopt));
    return;
  }
  if (!size.cancelled) emit Measured(size.collectionBytes, size.singleBytes);
}

}  // namespace tolvane
