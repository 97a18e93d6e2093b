#include "devices/midi_input_monitor.h"

#include <RtMidi.h>

#if TOLVANE_JACK
#include "devices/jack_server_watch.h"
#endif

#include <exception>
#include <string>
#include <utility>

namespace tolvane {

namespace {

constexpr const char* kClientName = "Tolvane Sound Converter";
constexpr const char* kPortName = "MIDI In";

void OnMessage(double /*timeStamp*/, std::vector<unsigned char>* message, void* monitor) {
  if (message != nullptr) static_cast<MidiInputMonitor*>(monitor)->Deliver(*message);
}

// Warnings (an unreadable port name, a missing server) are answered by the caller's own checks;
// anything worse fails the open in progress. Nothing reaches stderr.
void OnError(RtMidiError::Type type, const std::string& /*text*/, void* failed) {
  if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
    static_cast<std::atomic<bool>*>(failed)->store(true);
}

}  // namespace

MidiInputMonitor& MidiInputMonitor::Instance() {
  static MidiInputMonitor monitor;
  return monitor;
}

MidiInputMonitor::MidiInputMonitor() {
  sound_systems::SilenceJack();
}

MidiInputMonitor::~MidiInputMonitor() {
  Close();
}

void MidiInputMonitor::UseSystem(MidiSystem system) {
  Close();
  system_ = system;
}

std::unique_ptr<RtMidiIn> MidiInputMonitor::CreateInput() {
  const auto create = [this](RtMidi::Api api) -> std::unique_ptr<RtMidiIn> {
    try {
      auto input = std::make_unique<RtMidiIn>(api, kClientName);
      input->setErrorCallback(&OnError, &failed_);
      return input;
    } catch (const std::exception&) {
      return nullptr;
    }
  };
#ifdef _WIN32
  // The library's constructor reports a machine without MIDI inputs on stderr, as for ALSA.
  return (system_ == MidiSystem::kAutomatic || system_ == MidiSystem::kWinMm) &&
                 sound_systems::WinMmInputsPresent()
             ? create(RtMidi::WINDOWS_MM)
             : nullptr;
#else
  // The library's constructor reports a missing system on stderr before an error callback can be
  // set, so a system is only tried once it is known to be there.
  if (system_ != MidiSystem::kJack && sound_systems::AlsaSequencerPresent()) {
    if (auto input = create(RtMidi::LINUX_ALSA)) return input;
  }
  if (system_ != MidiSystem::kAlsa && sound_systems::JackServerRunning())
    return create(RtMidi::UNIX_JACK);
  return nullptr;
#endif
}

std::vector<PortEntry> MidiInputMonitor::ListPorts() {
  std::vector<PortEntry> entries{{kNoPortName, 0}};
  try {
    const std::unique_ptr<RtMidiIn> input = CreateInput();
    if (!input) return entries;
    const unsigned int count = input->getPortCount();
    for (unsigned int index = 0; index < count; ++index) {
      // A port that vanished or whose name cannot be read is left out; the others keep their
      // index.
      std::string name = input->getPortName(index);
      if (!name.empty()) entries.push_back({std::move(name), static_cast<int>(index) + 1});
    }
  } catch (const std::exception&) {
  }
  return entries;
}

bool MidiInputMonitor::Open(int itemData) {
  Close();
  if (itemData <= 0) return false;
  const auto index = static_cast<unsigned int>(itemData - 1);
  try {
    failed_ = false;
    std::unique_ptr<RtMidiIn> input = CreateInput();
    if (!input || index >= input->getPortCount() || input->getPortName(index).empty()) return false;
    // Short messages only: system exclusive, timing clock and active sensing never arrive.
    input->ignoreTypes(true, true, true);
#if TOLVANE_JACK
    if (input->getCurrentApi() == RtMidi::UNIX_JACK) {
      watch_ = sound_systems::JackServerWatch::Start();
      if (!watch_) return false;
    }
#endif
    input->setCallback(&OnMessage, this);
    // No port delivers now (Close came first), so the MIDI thread reads it only from here on.
    deliver_ = message_;
    ring_.Start(flash_);
    input->openPort(index, kPortName);
    if (failed_ || !input->isPortOpen()) {
      input.reset();
      ring_.Stop();
      ReleaseWatch();
      return false;
    }
    input_ = std::move(input);
    return true;
  } catch (const std::exception&) {
    ring_.Stop();
    ReleaseWatch();
    return false;
  }
}

void MidiInputMonitor::Close() {
  if (!input_) return;
  if (ServerGone()) {
    // The client belongs to a server that is gone: it delivers nothing more, and closing it
    // could crash.
    sound_systems::Abandon(std::shared_ptr<RtMidiIn>(std::move(input_)));
  } else {
    try {
      input_->closePort();
    } catch (const std::exception&) {
    }
    // Destroying the client ends its input thread, so nothing is delivered after this.
    input_.reset();
  }
  ring_.Stop();
  ReleaseWatch();
}

bool MidiInputMonitor::IsOpen() const {
  return input_ != nullptr && !ServerGone();
}

bool MidiInputMonitor::ServerGone() const {
#if TOLVANE_JACK
  return watch_ && watch_->ServerGone();
#else
  return false;
#endif
}

void MidiInputMonitor::ReleaseWatch() {
#if TOLVANE_JACK
  sound_systems::JackServerWatch::Release(std::move(watch_));
#endif
}

void MidiInputMonitor::SetFlashCallback(FlashCallback callback) {
  flash_ = std::move(callback);
}

void MidiInputMonitor::SetMessageCallback(const MidiMessageCallback& callback) {
  message_ = callback;
}

void MidiInputMonitor::Deliver(std::span<const unsigned char> message) {
  // The length is checked before any byte is read.
  if (message.empty() || message.size() > 3) return;
  if (deliver_) deliver_(message);
  std::uint32_t packed = 0;
  for (std::size_t i = 0; i < message.size(); ++i) packed |= std::uint32_t{message[i]} << (8 * i);
  ring_.Push(packed);
}

}  // namespace tolvane
