#pragma once
// A request to end the process (SIGTERM at logout or from `kill`, SIGINT, SIGHUP) ends the
// window the way its close box does, so that the window size and the sound database are saved.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tolvane {

class TerminationSignals : public QObject {
 public:
  // Installs the handlers; `onSignal` runs on this object's thread. One instance at a time.
  explicit TerminationSignals(std::function<void()> onSignal);
  // Gives the signals their default handling back.
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  std::function<void()> onSignal_;
#ifndef _WIN32
  // Windows has no such signals: the window ends through its own messages there.
  QSocketNotifier* notifier_ = nullptr;
  int fds_[2] = {-1, -1};
#endif
};

}  // namespace tolvane
