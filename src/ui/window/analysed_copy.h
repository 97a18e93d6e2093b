#pragma once
// The copy of an instrument that live playing plays while sound options are on, made as an export
// with them would write it (MakePlayableAsWritten). Seeking loops and measuring pitches in every
// sample of a big instrument takes seconds, so the copy is made on a thread of its own, as
// SizeEstimate measures, and the window never waits for it.

#include <QObject>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "audition/playable_instrument.h"
#include "base/work_progress.h"
#include "export/sound_analysis.h"
#include "library/library.h"

namespace tolvane {

class AnalysedCopy : public QObject {
  Q_OBJECT

 public:
  AnalysedCopy() = default;
  ~AnalysedCopy() override;
  AnalysedCopy(const AnalysedCopy&) = delete;
  AnalysedCopy& operator=(const AnalysedCopy&) = delete;

  // Makes the copy of `instrument` with `options`; Made follows unless another request, Cancel or
  // Stop comes first. One copy is made at a time: a request made meanwhile cancels it and starts
  // once it has ended. The instrument must stay as it is until Made or Stop: the analysis reads
  // its zones and samples, which only a drop replaces.
  void Request(const Instrument& instrument, const SoundOptions& options);
  // No Made follows for the requests so far. Returns at once: the copy being made may still read
  // its instrument until it notices.
  void Cancel();
  // Cancel, and waits for the copy's end: before the library it reads changes.
  void Stop();

 signals:
  // On the window's thread, for the newest request.
  void Made(const tolvane::Instrument* instrument,
            std::shared_ptr<const tolvane::PlayableInstrument> copy);

 private:
  struct Job {
    const Instrument* instrument = nullptr;
    SoundOptions options;
  };
  class Cancelling : public WorkProgress {
   public:
    bool Cancelled() const override { return cancelled.load(); }
    std::atomic<bool> cancelled{false};
  };

  void Start(const Job& request);
  void Ended(unsigned generation, const Instrument* instrument,
             std::shared_ptr<const PlayableInstrument> copy);

  std::thread thread_;
  std::shared_ptr<Cancelling> cancel_;
  std::optional<Job> pending_;
  unsigned generation_ = 0;  // of the copy being made or made last
};

}  // namespace tolvane
