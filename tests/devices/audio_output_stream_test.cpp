// The audio output stream against a real JACK server. A recorder client of the test, with two
// input ports, is a device the stream can be opened on; it captures what the stream plays from
// its first frame on.
#include "devices/audio_output_stream.h"

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace tolvane {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRampFrames = std::size_t{4} * 1024;

class Recorder {
 public:
  static constexpr std::size_t kFrames = std::size_t{48} * 1024;

  Recorder() {
    client_ = jack_client_open("tolvane-recorder", JackNoStartServer, nullptr);
    if (client_ == nullptr) return;
    for (int i = 0; i < 2; ++i) {
      ports_[i] = jack_port_register(client_, i == 0 ? "left" : "right", JACK_DEFAULT_AUDIO_TYPE,
                                     JackPortIsInput, 0);
    }
    jack_set_process_callback(client_, &Process, this);
    jack_activate(client_);
  }
  ~Recorder() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  bool ok() const { return client_ != nullptr && ports_[0] != nullptr && ports_[1] != nullptr; }

  // Starts a new capture; Wait returns it once full.
  void Arm() {
    recorded_ = 0;
    armed_ = true;
  }
  std::vector<float> Wait() {
    for (int i = 0; i < 500 && recorded_ < kFrames; ++i) std::this_thread::sleep_for(10ms);
    armed_ = false;
    return {frames_.begin(), frames_.begin() + 2 * recorded_};
  }

 private:
  static int Process(jack_nframes_t frames, void* self) {
    auto* recorder = static_cast<Recorder*>(self);
    if (!recorder->armed_) return 0;
    const auto* left = static_cast<const float*>(jack_port_get_buffer(recorder->ports_[0], frames));
    const auto* right =
        static_cast<const float*>(jack_port_get_buffer(recorder->ports_[1], frames));
    std::size_t at = recorder->recorded_;
    for (jack_nframes_t i = 0; i < frames && at < kFrames; ++i, ++at) {
      recorder->frames_[2 * at] = left[i];
      recorder->frames_[2 * at + 1] = right[i];
    }
    recorder->recorded_ = at;
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* ports_[2] = {nullptr, nullptr};
  std::vector<float> frames_ = std::vector<float>(2 * kFrames);
  std::atomic<std::size_t> recorded_ = 0;
  std::atomic<bool> armed_ = false;
};

// Silence until the stream's first frame, then four buffers of the ramp, each frame i of a
// buffer 2i left and 2i + 1 right (as int16, arriving as n / 32768), then silence again.
void ExpectRampThenSilence(const std::vector<float>& capture) {
  const std::size_t frames = capture.size() / 2;
  std::size_t start = 0;
  while (start < frames && capture[2 * start + 1] == 0.0f) ++start;
  ASSERT_EQ(std::count(capture.begin(), capture.begin() + 2 * start, 0.0f), 2 * start);
  ASSERT_GE(frames, start + kRampFrames + std::size_t{8} * 1024) << "the capture is too short";
  for (std::size_t f = 0; f < kRampFrames; ++f) {
    const std::size_t i = f % 1024;
    ASSERT_EQ(capture[2 * (start + f)], static_cast<float>(2 * i) / 32768.0f) << "frame " << f;
    ASSERT_EQ(capture[2 * (start + f) + 1], static_cast<float>(2 * i + 1) / 32768.0f)
        << "frame " << f;
  }
  const auto silence = capture.begin() + 2 * (start + kRampFrames);
  EXPECT_EQ(std::count(silence, capture.end(), 0.0f), capture.end() - silence);
}

class AudioOutputStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(recorder_.ok());
    stream_.UseSystem(AudioSystem::kJack);
    const std::vector<PortEntry> entries = stream_.ListPorts();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].name, "None");
    EXPECT_EQ(entries[0].itemData, 0);
    for (const PortEntry& entry : entries) {
      if (entry.name == "tolvane-recorder") itemData_ = entry.itemData;
    }
    ASSERT_GT(itemData_, 0) << "the recorder is not listed";
  }
  void TearDown() override { stream_.Close(); }

  std::vector<float> CaptureAfterOpen() {
    recorder_.Arm();
    EXPECT_TRUE(stream_.Open(itemData_));
    EXPECT_TRUE(stream_.IsOpen());
    return recorder_.Wait();
  }

  AudioOutputStream& stream_ = AudioOutputStream::Instance();
  Recorder recorder_;
  int itemData_ = 0;
};

TEST_F(AudioOutputStreamTest, PlaysFourRampBuffersThenSilence) {
  ExpectRampThenSilence(CaptureAfterOpen());
}

TEST_F(AudioOutputStreamTest, ReopeningRestartsTheRampAndNoneCloses) {
  ExpectRampThenSilence(CaptureAfterOpen());
  stream_.Close();
  EXPECT_FALSE(stream_.IsOpen());
  ExpectRampThenSilence(CaptureAfterOpen());
  ExpectRampThenSilence(CaptureAfterOpen());  // open while open
  EXPECT_FALSE(stream_.Open(0));
  EXPECT_FALSE(stream_.IsOpen());
  stream_.Close();
  EXPECT_FALSE(stream_.Open(100000));  // no such device
  EXPECT_FALSE(stream_.IsOpen());
}

}  // namespace
}  // namespace tolvane
