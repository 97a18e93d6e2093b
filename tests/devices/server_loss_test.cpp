// With no server to reach, both lists hold only "None", nothing opens and nothing is printed. A
// server that ends under an open port and stream leaves them closed and the layer usable: once
// other clients were opened, touching a client of the dead server crashes. A close that comes
// while the server is still going away (as at logout, when the session ends both) is safe too.
#include <RtMidi.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "tests/devices/jack_server.h"

namespace tolvane {
namespace {

std::shared_ptr<RtMidiOut> Sender() {
  auto sender = std::make_shared<RtMidiOut>(RtMidi::UNIX_JACK, "tolvane-sender");
  sender->openVirtualPort("out");
  return sender;
}

// Opens the first entry after "None".
bool OpenFirst(PortDevice& device) {
  const std::vector<PortEntry> entries = device.ListPorts();
  return entries.size() > 1 && device.Open(entries[1].itemData);
}

void ExpectOnlyNoneQuietly(PortDevice& device) {
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(device.ListPorts().size(), 1U);
  EXPECT_FALSE(device.Open(1));
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(),
            "");
}

TEST(ServerLossTest, PortAndStreamOfADeadServerEndClosedAndTheLayerWorksOn) {
  MidiInputMonitor& monitor = MidiInputMonitor::Instance();
  AudioOutputStream& stream = AudioOutputStream::Instance();
  monitor.UseSystem(MidiSystem::kJack);
  stream.UseSystem(AudioSystem::kJack);
  sound_systems::Abandon(Sender());  // the test's own client of the dead server is let be too
  ASSERT_TRUE(OpenFirst(monitor));
  ASSERT_TRUE(OpenFirst(stream));

  testing::JackServer::Get().Stop();
  for (int i = 0; i < 300 && (stream.IsOpen() || monitor.IsOpen()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_FALSE(monitor.IsOpen());
  ExpectOnlyNoneQuietly(monitor);  // lists (opens clients) before the dead ones are closed
  ExpectOnlyNoneQuietly(stream);
  if (!std::filesystem::exists("/dev/snd") && !std::getenv("PULSE_SERVER") &&
      !std::filesystem::exists("/run/user/" + std::to_string(::getuid()) + "/pulse")) {
    monitor.UseSystem(MidiSystem::kAutomatic);
    stream.UseSystem(AudioSystem::kAutomatic);
    ExpectOnlyNoneQuietly(monitor);
    ExpectOnlyNoneQuietly(stream);
    monitor.UseSystem(MidiSystem::kJack);
    stream.UseSystem(AudioSystem::kJack);
  }

  ASSERT_TRUE(testing::JackServer::Get().Start());
  const auto sender = Sender();
  EXPECT_TRUE(OpenFirst(monitor));
  EXPECT_TRUE(OpenFirst(stream));
  monitor.Close();
  stream.Close();
}

TEST(ServerLossTest, ClosingWhileTheServerEndsNeitherCrashesNorPrints) {
  MidiInputMonitor& monitor = MidiInputMonitor::Instance();
  AudioOutputStream& stream = AudioOutputStream::Instance();
  monitor.UseSystem(MidiSystem::kJack);
  stream.UseSystem(AudioSystem::kJack);
  // A close that meets a server stopping on SIGTERM waits out libjack's deactivation, about 5 s,
  // so that signal gets fewer rounds.
  for (const int signal : {SIGKILL, SIGTERM}) {
    const int rounds = signal == SIGTERM ? 4 : 10;
    for (int round = 0; round < rounds; ++round) {
      SCOPED_TRACE(::testing::Message() << "signal " << signal << ", round " << round);
      // Each step is named before it starts: when the binary runs out of time, its output tells
      // which step of which round never ended.
      const auto start = std::chrono::steady_clock::now();
      const auto step = [&](const char* name) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        std::printf("signal %d, round %d, %lld ms: %s\n", signal, round,
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
                    name);
        std::fflush(stdout);
      };
      step("opening");
      sound_systems::Abandon(Sender());
      ASSERT_TRUE(OpenFirst(monitor));
      ASSERT_TRUE(OpenFirst(stream));
      ::testing::internal::CaptureStderr();
      testing::JackServer::Get().Signal(signal);
      // From at once to after the server noticed its end, in 2 ms steps.
      std::this_thread::sleep_for(std::chrono::milliseconds(2 * (round % 5)));
      step("closing");
      if (round % 2 == 0) {
        stream.Close();
        monitor.Close();
      } else {
        monitor.Close();
        stream.Close();
      }
      EXPECT_FALSE(stream.IsOpen());
      EXPECT_FALSE(monitor.IsOpen());
      step("stopping the server");
      testing::JackServer::Get().Stop();
      EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
      step("starting the server");
      ASSERT_TRUE(testing::JackServer::Get().Start());
    }
  }
  const auto sender = Sender();
  EXPECT_TRUE(OpenFirst(monitor));
  EXPECT_TRUE(OpenFirst(stream));
  EXPECT_TRUE(monitor.IsOpen() && stream.IsOpen());
  monitor.Close();
  stream.Close();
}

}  // namespace
}  // namespace tolvane
