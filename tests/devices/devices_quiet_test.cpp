// The real MIDI input monitor and audio output stream on whatever the machine has (under Wine:
// its WinMM, WASAPI and DirectSound; on a build machine often nothing): the selectors' entries
// start with "None", and opening every entry, then closing it, neither fails the process nor
// prints a word.
#include <gtest/gtest.h>

#include <string>

#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"

namespace tolvane {
namespace {

struct Device {
  const char* name;
  PortDevice& (*get)();
};

class DevicesQuietTest : public ::testing::TestWithParam<Device> {};

TEST_P(DevicesQuietTest, ListsNoneFirstAndOpensEveryEntryQuietly) {
  PortDevice& device = GetParam().get();
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const std::vector<PortEntry> entries = device.ListPorts();
  std::vector<std::string> opened;
  for (const PortEntry& entry : entries) {
    const bool open = device.Open(entry.itemData);
    // "None" never opens; a device that opens says so until it is closed.
    if (entry.itemData == 0) {
      EXPECT_FALSE(open);
    }
    EXPECT_EQ(device.IsOpen(), open) << entry.name;
    if (open) opened.push_back(entry.name);
    device.Close();
    EXPECT_FALSE(device.IsOpen()) << entry.name;
  }
  // Closing twice, and opening an entry that was never listed, are harmless too.
  device.Close();
  EXPECT_FALSE(device.Open(static_cast<int>(entries.size()) + 1000));
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front().name, kNoPortName);
  EXPECT_EQ(entries.front().itemData, 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
  std::string names;
  for (const PortEntry& entry : entries) names += " '" + entry.name + "'";
  std::string opens;
  for (const std::string& name : opened) opens += " '" + name + "'";
  RecordProperty("entries", names);
  RecordProperty("opened", opens);
}

PortDevice& Midi() {
  return MidiInputMonitor::Instance();
}
PortDevice& Audio() {
  return AudioOutputStream::Instance();
}

INSTANTIATE_TEST_SUITE_P(Devices, DevicesQuietTest,
                         ::testing::Values(Device{"Midi", &Midi}, Device{"Audio", &Audio}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tolvane
