// The MIDI input monitor against a real JACK server: a virtual port of the test sends, the
// monitor listens and flashes.
#include "devices/midi_input_monitor.h"

#include <RtMidi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/devices/jack_server.h"

namespace tolvane {
namespace {

using namespace std::chrono_literals;
using Message = std::vector<unsigned char>;

[[maybe_unused]] const auto& kServer = testing::JackServer::Get();

class MidiInputMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sender_.openVirtualPort("out");
    monitor_.UseSystem(MidiSystem::kJack);
    monitor_.SetFlashCallback([this](std::uint32_t colour, int milliseconds) {
      EXPECT_EQ(colour, 0xFF0000U);  // blue, as 0x00BBGGRR
      EXPECT_EQ(milliseconds, 100);
      ++flashes_;
    });
    // Each port is listed with its index + 1, as another client sees it.
    RtMidiIn reference(RtMidi::UNIX_JACK, "tolvane-reference");
    for (const PortEntry& entry : monitor_.ListPorts()) {
      if (entry.itemData > 0) {
        EXPECT_EQ(reference.getPortName(entry.itemData - 1), entry.name);
      }
      if (entry.name == "tolvane-sender:out") port_ = entry.itemData;
    }
    ASSERT_GT(port_, 0) << "the sender's port is not listed";
  }
  void TearDown() override { monitor_.Close(); }

  void Send(const Message& message) {
    sender_.sendMessage(&message);
    std::this_thread::sleep_for(100us);  // JACK loses unpaced bursts within one period
  }
  // Until `count` flashes came, or 5 s passed.
  void AwaitFlashes(int count) {
    for (int i = 0; i < 500 && flashes_ < count; ++i) std::this_thread::sleep_for(10ms);
  }
  // The flashes once `expected` came (or 5 s passed) and a little longer for any surplus.
  int Flashes(int expected) {
    AwaitFlashes(expected);
    std::this_thread::sleep_for(100ms);
    return flashes_.exchange(0);
  }

  MidiInputMonitor& monitor_ = MidiInputMonitor::Instance();
  RtMidiOut sender_{RtMidi::UNIX_JACK, "tolvane-sender"};
  std::atomic<int> flashes_ = 0;
  int port_ = 0;
};

TEST_F(MidiInputMonitorTest, ShortMessagesFlashOnceEachUntilTheChoiceChanges) {
  ASSERT_TRUE(monitor_.Open(port_));
  ASSERT_TRUE(monitor_.Open(port_));  // the open port again: closed, then opened
  EXPECT_TRUE(monitor_.IsOpen());
  // A period's MIDI buffer holds some 300 events: on a busy machine a late period would get the
  // whole burst, and lose its tail. Every 50 notes wait for them.
  for (int i = 0; i < 300; ++i) {
    Send({0x90, static_cast<unsigned char>(i % 128), 100});
    if (i % 50 == 49) AwaitFlashes(i + 1);
  }
  Send({0xC0, 5});
  // Ignored: system exclusive, timing clock, active sensing, and what is no short message.
  const Message sysex{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  for (const Message& message : {sysex, Message{0xF8}, Message{0xFE}}) Send(message);
  monitor_.Deliver(sysex);
  monitor_.Deliver({});
  Send({0x80, 60, 0});  // JACK delivers in order: nothing ignored can come after this one
  EXPECT_EQ(Flashes(302), 302);

  EXPECT_FALSE(monitor_.Open(0));  // "None"
  EXPECT_FALSE(monitor_.IsOpen());
  Send({0x90, 64, 64});
  EXPECT_EQ(Flashes(0), 0);
  monitor_.Close();
  monitor_.Close();
  EXPECT_FALSE(monitor_.Open(100000));
  EXPECT_FALSE(monitor_.IsOpen());
}

TEST_F(MidiInputMonitorTest, ABurstBeyondAFullRingKeepsTheFirst1024) {
  // The first flash holds the drain thread until the burst is in.
  std::mutex mutex;
  std::condition_variable changed;
  int stage = 0;  // 1: drain thread waiting, 2: released
  monitor_.SetFlashCallback([&](std::uint32_t, int) {
    std::unique_lock lock(mutex);
    stage = std::max(stage, 1);
    changed.notify_all();
    changed.wait(lock, [&] { return stage == 2; });
    ++flashes_;
  });
  ASSERT_TRUE(monitor_.Open(port_));
  const Message note{0x90, 60, 100};
  monitor_.Deliver(note);
  std::unique_lock lock(mutex);
  ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return stage == 1; }));
  for (int i = 0; i < 3000; ++i) monitor_.Deliver(note);
  stage = 2;
  lock.unlock();
  changed.notify_all();
  EXPECT_EQ(Flashes(1024), 1024);
}

}  // namespace
}  // namespace tolvane
