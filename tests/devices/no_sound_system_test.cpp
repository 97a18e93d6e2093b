// With no sound system to reach, both selectors offer only "None", nothing opens, and nothing is
// printed: the libraries underneath would otherwise report every missing system on stderr.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"

namespace tolvane {
namespace {

bool OnlyNone(const std::vector<PortEntry>& entries) {
  return entries.size() == 1 && entries[0].name == "None" && entries[0].itemData == 0;
}

// Runs `check` with JACK clients pointed at a server that does not exist.
template <typename Check>
void WithoutJack(Check check) {
  const std::string server = std::getenv("JACK_DEFAULT_SERVER");
  ::setenv("JACK_DEFAULT_SERVER", ("tolvane-nobody-" + std::to_string(::getpid())).c_str(), 1);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  check();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
}

TEST(NoSoundSystemTest, JackWithoutServerOffersOnlyNoneQuietly) {
  MidiInputMonitor& monitor = MidiInputMonitor::Instance();
  AudioOutputStream& stream = AudioOutputStream::Instance();
  monitor.UseSystem(MidiSystem::kJack);
  stream.UseSystem(AudioSystem::kJack);
  WithoutJack([&] {
    EXPECT_TRUE(OnlyNone(monitor.ListPorts()));
    EXPECT_TRUE(OnlyNone(stream.ListPorts()));
    EXPECT_FALSE(monitor.Open(1));
    EXPECT_FALSE(stream.Open(1));
    EXPECT_FALSE(monitor.IsOpen());
    EXPECT_FALSE(stream.IsOpen());
  });
}

TEST(NoSoundSystemTest, AutomaticChoiceOnAMachineWithoutSoundOffersOnlyNoneQuietly) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (std::filesystem::exists("/dev/snd") || std::getenv("PULSE_SERVER") != nullptr ||
      (runtime != nullptr && std::filesystem::exists(std::string(runtime) + "/pulse/native")))
    GTEST_SKIP() << "this machine has a sound system";
  MidiInputMonitor& monitor = MidiInputMonitor::Instance();
  AudioOutputStream& stream = AudioOutputStream::Instance();
  monitor.UseSystem(MidiSystem::kAutomatic);
  stream.UseSystem(AudioSystem::kAutomatic);
  WithoutJack([&] {
    EXPECT_TRUE(OnlyNone(monitor.ListPorts()));
    EXPECT_TRUE(OnlyNone(stream.ListPorts()));
    EXPECT_FALSE(monitor.Open(1));
    EXPECT_FALSE(stream.Open(1));
  });
}

}  // namespace
}  // namespace tolvane
