// The MIDI input monitor against a real JACK server: a virtual output port of the test sends,
// the monitor listens.
#include "devices/midi_input_monitor.h"

#include <RtMidi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace tolvane {
namespace {

using namespace std::chrono_literals;

// Counts the flashes the monitor asks for; each must be blue for 100 ms.
struct FlashCounter {
  std::atomic<int> flashes = 0;
  std::atomic<bool> wrong = false;
  FlashCallback Callback() {
    return [this](std::uint32_t colour, int milliseconds) {
      if (colour != 0xFF0000 || milliseconds != 100) wrong = true;
      ++flashes;
    };
  }
  // Waits until `expected` flashes came, then a little longer for any surplus.
  int Settle(int expected) const {
    for (int i = 0; i < 500 && flashes < expected; ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    return flashes;
  }
};

class MidiInputMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sender_.openVirtualPort("out");
    monitor_.UseSystem(MidiSystem::kJack);
    monitor_.SetFlashCallback(counter_.Callback());
    for (const PortEntry& entry : monitor_.ListPorts()) {
      if (entry.name == "tolvane-sender:out") itemData_ = entry.itemData;
    }
    ASSERT_GT(itemData_, 0) << "the sender's port is not listed";
  }
  void TearDown() override { monitor_.Close(); }

  void Send(const std::vector<unsigned char>& message) {
    sender_.sendMessage(&message);
    // JACK loses messages from unpaced bursts inside one period.
    std::this_thread::sleep_for(100us);
  }

  MidiInputMonitor& monitor_ = MidiInputMonitor::Instance();
  RtMidiOut sender_{RtMidi::UNIX_JACK, "tolvane-sender"};
  FlashCounter counter_;
  int itemData_ = 0;
};

TEST_F(MidiInputMonitorTest, ListsPortsWithTheirIndexAsItemData) {
  const std::vector<PortEntry> entries = monitor_.ListPorts();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0].name, "None");
  EXPECT_EQ(entries[0].itemData, 0);
  RtMidiIn reference(RtMidi::UNIX_JACK, "tolvane-reference");
  for (std::size_t i = 1; i < entries.size(); ++i)
    EXPECT_EQ(reference.getPortName(entries[i].itemData - 1), entries[i].name);
}

TEST_F(MidiInputMonitorTest, EveryShortMessageFlashesOnce) {
  ASSERT_TRUE(monitor_.Open(itemData_));
  EXPECT_TRUE(monitor_.IsOpen());
  constexpr int kMessages = 300;
  for (int i = 0; i < kMessages; ++i)
    Send({0x90, static_cast<unsigned char>(i % 128), static_cast<unsigned char>(1 + i % 127)});
  Send({0xC0, 5});  // a two-byte message counts too
  EXPECT_EQ(counter_.Settle(kMessages + 1), kMessages + 1);
  EXPECT_FALSE(counter_.wrong);
}

TEST_F(MidiInputMonitorTest, SystemExclusiveClockAndSensingAreIgnored) {
  ASSERT_TRUE(monitor_.Open(itemData_));
  Send({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
  Send({0xF8});
  Send({0xFE});
  // Straight into the entry point: nothing, and nothing longer than a short message.
  monitor_.Deliver({});
  monitor_.Deliver(std::vector<unsigned char>{0xF0, 0x01, 0x02, 0xF7});
  Send({0x80, 60, 0});
  // JACK delivers in order: once the note's flash is in, the others would have been too.
  EXPECT_EQ(counter_.Settle(1), 1);
}

TEST_F(MidiInputMonitorTest, ABurstBeyondAFullRingKeepsTheFirst1024) {
  // The first flash holds the drain thread until the burst has been delivered.
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool released = false;
  monitor_.SetFlashCallback([&, flash = counter_.Callback()](std::uint32_t colour, int ms) {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return released; });
    flash(colour, ms);
  });
  ASSERT_TRUE(monitor_.Open(itemData_));
  const std::vector<unsigned char> note{0x90, 60, 100};
  monitor_.Deliver(note);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return entered; }));
  }
  for (int i = 0; i < 3000; ++i) monitor_.Deliver(note);
  {
    const std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
  EXPECT_EQ(counter_.Settle(1024), 1024);
}

TEST_F(MidiInputMonitorTest, ReopeningNoneAndClosingTwice) {
  ASSERT_TRUE(monitor_.Open(itemData_));
  ASSERT_TRUE(monitor_.Open(itemData_));  // the open port again: closed, then opened
  Send({0x90, 64, 64});
  EXPECT_EQ(counter_.Settle(1), 1);
  EXPECT_FALSE(monitor_.Open(0));
  EXPECT_FALSE(monitor_.IsOpen());
  Send({0x90, 64, 64});
  EXPECT_EQ(counter_.Settle(1), 1);
  monitor_.Close();
  monitor_.Close();
  EXPECT_FALSE(monitor_.IsOpen());
  EXPECT_FALSE(monitor_.Open(100000));  // no such port
  EXPECT_FALSE(monitor_.IsOpen());
}

}  // namespace
}  // namespace tolvane
