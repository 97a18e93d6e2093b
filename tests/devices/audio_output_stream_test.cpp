// The audio output stream against a real JACK server. A recorder client of the test with two
// input ports is a device the stream can be opened on; it captures the stream from frame 0.
#include "devices/audio_output_stream.h"

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/devices/jack_recorder.h"
#include "tests/devices/jack_server.h"

namespace tolvane {
namespace {

[[maybe_unused]] const auto& kServer = testing::JackServer::Get();

constexpr std::size_t kCaptureFrames = std::size_t{48} * 1024;

// Opens the stream on `device` and returns what it played in the next kCaptureFrames frames.
std::vector<float> Capture(testing::JackRecorder& recorder, AudioOutputStream& stream, int device) {
  recorder.Arm();
  EXPECT_TRUE(stream.Open(device));
  for (int i = 0; i < 500 && recorder.recorded() < recorder.capacity(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return recorder.Take();
}

// Silence until the stream's frame 0, then four 1024-frame buffers whose frame i holds 2i left
// and 2i + 1 right (int16 n arrives as n / 32768), then silence again for at least 8 buffers.
void ExpectRampThenSilence(const std::vector<float>& capture) {
  const auto start = static_cast<std::size_t>(std::find_if(capture.begin(), capture.end(),
                                                           [](float v) { return v != 0; }) -
                                              capture.begin()) /
                     2;
  ASSERT_GE(capture.size(), 2 * (start + std::size_t{12} * 1024)) << "the capture is too short";
  std::vector<float> expected(2 * std::size_t{12} * 1024, 0.0f);
  for (std::size_t n = 0; n < std::size_t{4} * 2048; ++n)
    expected[n] = static_cast<float>(n % 2048) / 32768;
  const auto played = capture.begin() + static_cast<std::ptrdiff_t>(2 * start);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played));
  EXPECT_TRUE(std::all_of(played + static_cast<std::ptrdiff_t>(expected.size()), capture.end(),
                          [](float v) { return v == 0; }));
}

// The item data of the device named `name`, or 0 when it is not listed.
int Listed(AudioOutputStream& stream, const std::string& name) {
  int device = 0;
  for (const PortEntry& entry : stream.ListPorts()) {
    if (entry.name == name) device = entry.itemData;
  }
  return device;
}

TEST(AudioOutputStreamTest, EveryOpenPlaysFourRampBuffersThenSilence) {
  AudioOutputStream& stream = AudioOutputStream::Instance();
  stream.UseSystem(AudioSystem::kJack);
  testing::JackRecorder recorder("tolvane-recorder", kCaptureFrames);
  const int device = Listed(stream, "tolvane-recorder");
  ASSERT_GT(device, 0) << "the recorder is not listed";
  ExpectRampThenSilence(Capture(recorder, stream, device));
  EXPECT_EQ(stream.SampleRate(), 44100U);
  ExpectRampThenSilence(Capture(recorder, stream, device));  // open while open
  stream.Close();
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.SampleRate(), 0U);
  ExpectRampThenSilence(Capture(recorder, stream, device));
  EXPECT_FALSE(stream.Open(0));  // "None"
  EXPECT_FALSE(stream.IsOpen());
  stream.Close();
  EXPECT_FALSE(stream.Open(100000));
}

// JACK does not resample: the stream takes the server's rate, and its devices are offered at any
// rate. A device that goes away leaves the stream found closed.
TEST(AudioOutputStreamTest, RunsAtTheServersRateAndNoticesItsDeviceGoing) {
  AudioOutputStream& stream = AudioOutputStream::Instance();
  stream.UseSystem(AudioSystem::kJack);
  testing::JackServer::Get().Stop();
  ASSERT_TRUE(testing::JackServer::Get().Start(48000));
  {
    testing::JackRecorder recorder("tolvane-recorder", kCaptureFrames);
    EXPECT_GT(Listed(stream, "system"), 0);
    const int device = Listed(stream, "tolvane-recorder");
    ASSERT_GT(device, 0) << "the recorder is not listed";
    ExpectRampThenSilence(Capture(recorder, stream, device));
    EXPECT_EQ(stream.SampleRate(), 48000U);
    EXPECT_TRUE(stream.IsOpen());
  }
  for (int i = 0; i < 300 && stream.IsOpen(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(stream.IsOpen());
  stream.Close();
  testing::JackServer::Get().Stop();
  ASSERT_TRUE(testing::JackServer::Get().Start());
}

}  // namespace
}  // namespace tolvane
