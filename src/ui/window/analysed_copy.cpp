#include "ui/window/analysed_copy.h"

#include <utility>

namespace tolvane {

AnalysedCopy::~AnalysedCopy() {
  Stop();
}

void AnalysedCopy::Request(const Instrument& instrument, const SoundOptions& options) {
  const Job request{&instrument, options};
  if (thread_.joinable()) {
    // The copy being made is out of date; the newest request waits for its end.
    cancel_->cancelled = true;
    pending_ = request;
    return;
  }
  Start(request);
}

void AnalysedCopy::Cancel() {
  pending_.reset();
  if (thread_.joinable()) cancel_->cancelled = true;
}

void AnalysedCopy::Stop() {
  pending_.reset();
  ++generation_;  // whatever end is still queued is not told
  if (!thread_.joinable()) return;
  cancel_->cancelled = true;
  thread_.join();
}

void AnalysedCopy::Start(const Job& request) {
  const unsigned generation = ++generation_;
  cancel_ = std::make_shared<Cancelling>();
  thread_ = std::thread([this, generation, cancel = cancel_, request] {
    std::shared_ptr<const PlayableInstrument> copy =
        MakePlayableAsWritten(*request.instrument, request.options, cancel.get());
    // The copy reaches the sampler on the window's thread, which also frees the ones it replaced.
    QMetaObject::invokeMethod(
        this,
        [this, generation, instrument = request.instrument, copy = std::move(copy)] {
          Ended(generation, instrument, copy);
        },
        Qt::QueuedConnection);
  });
}

void AnalysedCopy::Ended(unsigned generation, const Instrument* instrument,
                         std::shared_ptr<const PlayableInstrument> copy) {
  if (generation != generation_) return;  // stopped meanwhile: the thread is joined
  thread_.join();
  if (pending_) {
    Start(*std::exchange(pending_, std::nullopt));
    return;
  }
  if (!cancel_->cancelled && copy) emit Made(instrument, std::move(copy));
}

}  // namespace tolvane
