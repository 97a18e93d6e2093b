#pragma once
// How long work (importing a drop, writing an export) tells where it is and learns that it is to
// stop. The core reports to this interface and knows nothing of who listens; without a listener
// (a null pointer, as the command-line tool passes) the work runs as it always did.

#include <cstddef>
#include <string_view>

namespace tolvane {

class WorkProgress {
 public:
  virtual ~WorkProgress() = default;

  // `done` of `total` steps of the work named `what` (for people, UTF-8) are finished. May be
  // called from any thread the work runs on, as often as the work likes: an implementation keeps
  // only what it needs and returns at once.
  virtual void Step(std::string_view /*what*/, std::size_t /*done*/, std::size_t /*total*/) {}
  // True once the work is to stop. Work that sees it ends as soon as it can, keeps nothing it
  // half made, and says so in its outcome. May be asked from any thread.
  virtual bool Cancelled() const { return false; }
};

inline void ReportStep(WorkProgress* progress, std::string_view what, std::size_t done,
                       std::size_t total) {
  if (progress != nullptr) progress->Step(what, done, total);
}

inline bool WorkCancelled(const WorkProgress* progress) {
  return progress != nullptr && progress->Cancelled();
}

}  // namespace tolvane
