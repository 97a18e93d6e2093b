#pragma once
// A JACK server of the test binary's own, with a name no other binary uses: started before the
// first test, stopped after the last. It is tied to the test process, so that a crash or a
// timeout of the tests ends it too.

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

class JackServer {
 public:
  explicit JackServer(std::string name) : name_(std::move(name)) {}
  ~JackServer() { Stop(); }

  const std::string& name() const { return name_; }

  // Starts jackd on the dummy driver (44100 Hz, 1024-frame periods, no realtime) and waits until
  // it takes clients.
  bool Start() {
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(1);
      // Only async-signal-safe calls between fork and exec.
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      ::execlp("jackd", "jackd", "-n", name_.c_str(), "-r", "-d", "dummy", "-r", "44100", "-p",
               "1024", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      jack_status_t jackStatus{};
      jack_client_t* client = jack_client_open(
          "tolvane-ready", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
          &jackStatus, name_.c_str());
      if (client != nullptr) {
        jack_client_close(client);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    return false;
  }

  // Ends the server and waits for it; its clients should be closed first.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
};

// The binary's server, named after the binary and the process.
inline JackServer& TestServer() {
  static JackServer server("tolvane-" + std::string(program_invocation_short_name) + "-" +
                           std::to_string(::getpid()));
  return server;
}

class JackEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Without this libjack tries to start a server of its own when none runs.
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    ::setenv("JACK_DEFAULT_SERVER", TestServer().name().c_str(), 1);
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    ASSERT_TRUE(TestServer().Start()) << "jackd did not start";
  }
  void TearDown() override { TestServer().Stop(); }
};

}  // namespace tolvane::testing
