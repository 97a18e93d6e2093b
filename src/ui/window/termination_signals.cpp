#include "ui/window/termination_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <utility>

#ifndef _WIN32
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tolvane {

#ifndef _WIN32
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but a process-wide value; it only writes a byte, which the
// window thread reads through its event loop.
std::atomic<int> gWakeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free values");

extern "C" void OnTerminationSignal(int /*signal*/) {
  const char byte = 1;
  const int fd = gWakeFd.load();
  if (fd >= 0) static_cast<void>(::write(fd, &byte, 1));
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
  gWakeFd = fds_[0];
  notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    static_cast<void>(::read(fds_[1], bytes, sizeof bytes));
    onSignal_();
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  for (const int signal : kSignals) ::signal(signal, SIG_DFL);
  gWakeFd = -1;
  delete notifier_;
  for (const int fd : fds_)
    if (fd >= 0) ::close(fd);
}

#else

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {}
TerminationSignals::~TerminationSignals() = default;

#endif

}  // namespace tolvane
