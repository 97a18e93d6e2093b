// The live latency: from a note-on on the MIDI input to its first sounding frame on the output.
//
//   bench_latency RUNS
//
// Needs a running JACK server (bench/run starts a private one with the dummy driver). Plays
// through the window's real path: the window offscreen with a WAV instrument made here (every
// frame non-zero, so the note's first frame is its first sound), the MIDI input monitor, the
// audition link and the audio output stream. A client of the benchmark sends the notes and
// listens to the stream: in its process callback it writes a note-on at a known frame of the
// server's clock and finds the first non-zero frame after it. RUNS notes (at least 7), each
// after a silence and at another offset within the period; prints the median and the maximum in
// frames, periods and ms. Exits 1 when the maximum is over 2 periods, 2 when it cannot set up.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audition/wave_encoder.h"
#include "database/sound_database.h"
#include "devices/audio_output_stream.h"
#include "devices/midi_input_monitor.h"
#include "library/library.h"
#include "ui/window/audition_link.h"
#include "ui/window/main_dialog.h"

namespace {

using namespace tolvane;

constexpr const char* kClientName = "tolvane-latency";
constexpr double kTargetPeriods = 2;
constexpr int kMinRuns = 7;
constexpr std::uint8_t kKey = 60;  // the WAV's root key
// Silence the stream must keep before each note: past the ramp and the last note's release.
constexpr std::uint64_t kQuietFrames = 8192;
// A note not heard within this many frames counts as lost.
constexpr std::uint32_t kGiveUpFrames = 2 * 44100;

// The benchmark's client: a MIDI output to the monitor and two audio inputs that the stream
// plays into. Its process callback neither allocates nor locks; the main thread and the callback
// hand over through atomics only.
class Listener {
 public:
  enum State : int { kIdle, kRequested, kListening, kHeard };
  static constexpr std::int64_t kLost = -1;

  // Joins the server, waiting up to 10 s for one that is starting.
  Listener() {
    for (int attempt = 0; client_ == nullptr && attempt < 100; ++attempt) {
      client_ = jack_client_open(kClientName, JackNoStartServer, nullptr);
      if (client_ == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (client_ == nullptr) return;
    keys_ = jack_port_register(client_, "keys", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    left_ = jack_port_register(client_, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    right_ = jack_port_register(client_, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    ready_ = keys_ != nullptr && left_ != nullptr && right_ != nullptr &&
             jack_set_process_callback(client_, &Process, this) == 0 && jack_activate(client_) == 0;
  }
  ~Listener() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  bool ready() const { return ready_; }
  jack_nframes_t period() const { return jack_get_buffer_size(client_); }
  jack_nframes_t rate() const { return jack_get_sample_rate(client_); }
  std::uint64_t heard() const { return heard_.load(); }
  std::uint64_t quiet() const { return quiet_.load(); }
  State state() const { return state_.load(); }

  // A note-on `offset` frames into the next period.
  void Request(jack_nframes_t offset) {
    offset_.store(offset);
    state_.store(kRequested);
  }
  // Once heard: the frames from the note-on to its first sound, or kLost; back to idle.
  std::int64_t Take() {
    const std::int64_t latency = latency_.load();
    state_.store(kIdle);
    return latency;
  }

 private:
  static int Process(jack_nframes_t frames, void* self) {
    static_cast<Listener*>(self)->Cycle(frames);
    return 0;
  }

  void Cycle(jack_nframes_t frames) {
    void* keys = jack_port_get_buffer(keys_, frames);
    jack_midi_clear_buffer(keys);
    const auto* left = static_cast<const float*>(jack_port_get_buffer(left_, frames));
    const auto* right = static_cast<const float*>(jack_port_get_buffer(right_, frames));
    const jack_nframes_t start = jack_last_frame_time(client_);
    if (noteOffDue_) {
      const std::array<jack_midi_data_t, 3> off = {0x80, kKey, 0};
      jack_midi_event_write(keys, 0, off.data(), off.size());
      noteOffDue_ = false;
    }
    if (state_.load() == kRequested) {
      const jack_nframes_t offset = std::min(offset_.load(), frames - 1);
      const std::array<jack_midi_data_t, 3> on = {0x90, kKey, 127};
      jack_midi_event_write(keys, offset, on.data(), on.size());
      noteFrame_ = start + offset;
      state_.store(kListening);
    }
    std::uint64_t heard = 0;
    std::uint64_t quiet = quiet_.load();
    for (jack_nframes_t i = 0; i < frames; ++i) {
      if (left[i] == 0 && right[i] == 0) {
        ++quiet;
        continue;
      }
      ++heard;
      quiet = 0;
      // Frame times wrap around; the difference does not.
      const auto since = static_cast<std::int32_t>(start + i - noteFrame_);
      if (state_.load() == kListening && since >= 0) Heard(since);
    }
    heard_.fetch_add(heard);
    quiet_.store(quiet);
    if (state_.load() == kListening && start + frames - noteFrame_ > kGiveUpFrames) Heard(kLost);
  }

  void Heard(std::int64_t latency) {
    latency_.store(latency);
    state_.store(kHeard);
    noteOffDue_ = true;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* keys_ = nullptr;
  jack_port_t* left_ = nullptr;
  jack_port_t* right_ = nullptr;
  bool ready_ = false;
  std::atomic<State> state_ = kIdle;
  std::atomic<jack_nframes_t> offset_ = 0;
  std::atomic<std::int64_t> latency_ = 0;
  std::atomic<std::uint64_t> heard_ = 0;  // non-silent frames since the start
  std::atomic<std::uint64_t> quiet_ = 0;  // silent frames since the last sound
  // The process thread's own.
  jack_nframes_t noteFrame_ = 0;
  bool noteOffDue_ = false;
};

// Runs the window's events until `done`; false when 10 s went by first.
bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 10000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

int ItemOf(PortDevice& device, const std::string& part) {
  for (const PortEntry& entry : device.ListPorts())
    if (entry.name.find(part) != std::string::npos) return entry.itemData;
  return 0;
}

// Half a second of a tone with no zero in it, as a WAV file.
bool WriteTone(const QString& path) {
  std::vector<std::int16_t> values(22050);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int magnitude = 4000 + static_cast<int>((i * 7919) % 8000);
    values[i] = static_cast<std::int16_t>(i % 2 == 0 ? magnitude : -magnitude);
  }
  const auto bytes = EncodeWave16(values, 1, 44100);
  if (!bytes) return false;
  std::ofstream file(path.toStdString(), std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));
  return static_cast<bool>(file);
}

int Fail(const char* why) {
  std::fprintf(stderr, "bench_latency: %s\n", why);
  return 2;
}

// The latencies of the notes in frames, or what kept them from being measured.
struct Outcome {
  std::vector<std::int64_t> latencies;
  const char* failure = nullptr;
};

// Plays `runs` notes through the window.
// REQUIRES: `place` is an empty folder of the benchmark's own.
Outcome Measure(Listener& listener, int runs, const QTemporaryDir& place) {
  const QString wav = place.filePath("Tone.wav");
  if (!WriteTone(wav)) return {{}, "cannot write the instrument"};

  MidiInputMonitor& midi = MidiInputMonitor::Instance();
  AudioOutputStream& audio = AudioOutputStream::Instance();
  midi.UseSystem(MidiSystem::kJack);
  audio.UseSystem(AudioSystem::kJack);
  Library library;
  SoundDatabase database;
  AuditionLink audition(midi, audio);
  MainDialog dialog({library, database, {}, midi, audio});
  audition.Follow(dialog);
  dialog.ImportDrop({wav});
  if (!WaitFor([&] { return !dialog.Busy() && library.instruments.size() == 1; }))
    return {{}, "the instrument was not imported"};
  if (!midi.Open(ItemOf(midi, kClientName))) return {{}, "cannot open the MIDI port"};
  const std::uint64_t before = listener.heard();
  if (!audio.Open(ItemOf(audio, kClientName))) return {{}, "cannot open the audio output"};
  // Opened past the window's selectors: the row is taken again, as choosing a port does.
  audition.PlayRow(dialog, 0);
  // Once the ramp starts, the first note waits for the silence after it (cycles the listener
  // misses under load may hide frames of the ramp, so they are not counted).
  if (!WaitFor([&] { return listener.heard() > before; }))
    return {{}, "the stream's ramp never arrived"};

  std::vector<std::int64_t> latencies;
  const jack_nframes_t period = listener.period();
  for (int run = 0; run < runs; ++run) {
    if (!WaitFor([&] { return listener.quiet() >= kQuietFrames; }))
      return {{}, "the output never fell silent"};
    // Offsets spread over the period: the note may come anywhere in it.
    listener.Request(static_cast<jack_nframes_t>(run) * period / static_cast<jack_nframes_t>(runs));
    if (!WaitFor([&] { return listener.state() == Listener::kHeard; }))
      return {{}, "no answer to a note within 10 s"};
    latencies.push_back(listener.Take());
  }
  midi.Close();
  audio.Close();
  return {latencies};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_latency RUNS\n");
    return 2;
  }
  const int runs = std::max(kMinRuns, std::atoi(argv[1]));
  // The window's settings, and Qt's runtime folder where the machine has none, in a folder of
  // our own.
  const QTemporaryDir place;
  if (!place.isValid()) return Fail("cannot make a temporary folder");
  qputenv("XDG_CONFIG_HOME", place.path().toUtf8());
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", place.path().toUtf8());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  QApplication application(argc, argv);
  Listener listener;
  if (!listener.ready()) return Fail("no JACK server to join (bench/run starts one)");
  auto [latencies, failure] = Measure(listener, runs, place);
  if (failure != nullptr) return Fail(failure);
  if (std::ranges::count(latencies, Listener::kLost) > 0) return Fail("a note was never heard");

  std::ranges::sort(latencies);
  const double period = listener.period();
  const double ms = 1000.0 / listener.rate();
  const auto median = static_cast<double>(latencies[latencies.size() / 2]);
  const auto maximum = static_cast<double>(latencies.back());
  std::printf(
      "latency: note-on to first sound through the window on JACK (dummy, %u Hz, %.0f-frame "
      "periods), %d notes: median %.0f frames (%.2f periods, %.1f ms), max %.0f frames\n",
      listener.rate(), period, runs, median, median / period, median * ms, maximum);
  const bool ok = maximum <= kTargetPeriods * period;
  std::printf("live latency max      %5.2f periods  (target <= %.0f; %.1f ms) %s\n",
              maximum / period, kTargetPeriods, maximum * ms, ok ? "ok" : "MISSED");
  return ok ? 0 : 1;
}
