// A JACK server that ends under an open port and an open stream leaves both closed and the layer
// usable: once other clients were opened, a client of the dead server crashes when touched, so
// the layer must let it be.
#include <RtMidi.h>

#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "tests/devices/jack_server.h"

namespace tolvane {
namespace {

using namespace std::chrono_literals;

// The first device or port after "None".
int FirstEntry(PortDevice& device) {
  const std::vector<PortEntry> entries = device.ListPorts();
  return entries.size() > 1 ? entries[1].itemData : 0;
}

std::shared_ptr<RtMidiOut> Sender() {
  auto sender = std::make_shared<RtMidiOut>(RtMidi::UNIX_JACK, "tolvane-sender");
  sender->openVirtualPort("out");
  return sender;
}

TEST(ServerLossTest, APortAndStreamOnADeadServerEndClosedAndTheLayerWorksOn) {
  MidiInputMonitor& monitor = MidiInputMonitor::Instance();
  AudioOutputStream& stream = AudioOutputStream::Instance();
  monitor.UseSystem(MidiSystem::kJack);
  stream.UseSystem(AudioSystem::kJack);
  // The test's own client of the dead server must not be touched either.
  sound_systems::Abandon(Sender());
  ASSERT_TRUE(monitor.Open(FirstEntry(monitor)));
  ASSERT_TRUE(stream.Open(FirstEntry(stream)));

  testing::TestServer().Stop();
  for (int i = 0; i < 300 && (stream.IsOpen() || monitor.IsOpen()); ++i)
    std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_FALSE(monitor.IsOpen());
  // Listing opens clients before the dead ones are closed.
  EXPECT_EQ(monitor.ListPorts().size(), 1U);
  EXPECT_EQ(stream.ListPorts().size(), 1U);
  monitor.Close();
  stream.Close();
  EXPECT_FALSE(monitor.Open(1));
  EXPECT_FALSE(stream.Open(1));

  ASSERT_TRUE(testing::TestServer().Start());
  const auto sender = Sender();
  EXPECT_TRUE(monitor.Open(FirstEntry(monitor)));
  EXPECT_TRUE(stream.Open(FirstEntry(stream)));
  monitor.Close();
  stream.Close();
}

}  // namespace
}  // namespace tolvane
