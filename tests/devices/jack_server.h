#pragma once
// A JACK server of the test binary's own (dummy driver, 44100 Hz unless a test asks for another
// rate, 1024-frame periods, no realtime), named after the binary and its process: started before
// the first test, stopped after the last, and tied to the process so that a crash or a timeout
// ends it too.

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace tolvane::testing {

class JackServer : public ::testing::Environment {
 public:
  static JackServer& Get() {
    static auto* const server = static_cast<JackServer*>(
        ::testing::AddGlobalTestEnvironment(new JackServer(std::to_string(::getpid()))));
    return *server;
  }

  void SetUp() override {
    // Without this libjack tries to start a server of its own when none runs.
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    ASSERT_TRUE(Start()) << "jackd did not start";
  }
  // A server killed with SIGKILL cannot give back its slot in JACK's registry of servers, which
  // holds eight for the whole machine; starting one under the same name reclaims it. So the last
  // server is never left killed.
  void TearDown() override {
    Stop();
    if (hardKilled_ && Start()) Stop();
  }

  // Waits until the server takes clients.
  bool Start(unsigned int rate = 44100) {
    const std::string rateText = std::to_string(rate);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {  // only async-signal-safe calls until exec
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      ::execlp("jackd", "jackd", "-n", name_.c_str(), "-r", "-d", "dummy", "-r", rateText.c_str(),
               "-p", "1024", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int attempt = 0; pid_ > 0 && attempt < 200; ++attempt) {
      if (jack_client_t* client = jack_client_open("tolvane-ready", JackNoStartServer, nullptr)) {
        jack_client_close(client);
        hardKilled_ = false;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    return false;
  }
  // Sends `signal` to the server and returns at once; Stop reaps it.
  void Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }
  // Ends the server and waits for it; clients should be closed first.
  // A server that does not end within 10 s of SIGTERM is killed.
  void Stop() {
    int status = 0;
    if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) {
      pid_t ended = 0;
      for (int i = 0; i < 200 && (ended = ::waitpid(pid_, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (ended == 0) {
        ::kill(pid_, SIGKILL);
        ended = ::waitpid(pid_, &status, 0);
      }
      if (ended == pid_)
        hardKilled_ = hardKilled_ || (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
    pid_ = -1;
  }

 private:
  explicit JackServer(const std::string& pid) : name_("tolvane-devices-tests-" + pid) {}
  std::string name_;
  pid_t pid_ = -1;
  bool hardKilled_ = false;
};

}  // namespace tolvane::testing
