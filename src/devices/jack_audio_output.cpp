#include "devices/jack_audio_output.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "devices/jack_server_watch.h"
#include "devices/sound_systems.h"

namespace tolvane::sound_systems {

namespace {

constexpr std::array<const char*, 2> kPortNames = {"left", "right"};
// Frames rendered at a time on the process thread, on its stack.
constexpr std::size_t kChunkFrames = 256;
// A 16-bit value n plays as n / 32768, as the audio library converts it too.
constexpr float kSampleScale = 1.0F / 32768.0F;

// The audio inputs of every client, or nothing when no server answers.
struct PortList {
  explicit PortList(jack_client_t* client)
      : names(jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput)) {}
  PortList(const PortList&) = delete;
  PortList& operator=(const PortList&) = delete;
  ~PortList() {
    if (names != nullptr) jack_free(static_cast<void*>(names));
  }
  std::vector<std::string_view> All() const {
    std::vector<std::string_view> all;
    for (const char** name = names; name != nullptr && *name != nullptr; ++name)
      all.emplace_back(*name);
    return all;
  }

  const char** names;
};

// A port's client: what comes before the first ':' of its full name.
std::string_view ClientOf(std::string_view port) {
  return port.substr(0, port.find(':'));
}

}  // namespace

std::optional<std::vector<JackAudioOutput::Device>> JackAudioOutput::ListDevices() {
  SilenceJack();
  jack_status_t status{};
  jack_client_t* client = jack_client_open("tolvane-probe", JackNoStartServer, &status);
  if (client == nullptr) return std::nullopt;
  std::vector<Device> devices;
  {
    const PortList ports(client);
    for (const std::string_view port : ports.All()) {
      const std::string_view name = ClientOf(port);
      const auto known = std::ranges::find(devices, name, &Device::name);
      if (known != devices.end())
        ++known->inputs;
      else
        devices.push_back({std::string(name), 1});
    }
  }
  jack_client_close(client);
  return devices;
}

std::unique_ptr<JackAudioOutput> JackAudioOutput::Open(const std::string& device,
                                                       const char* clientName, FrameSource source,
                                                       void* context) {
  SilenceJack();
  std::unique_ptr<JackAudioOutput> output(new JackAudioOutput(source, context));
  output->generation_ = JackServerGeneration();
  jack_status_t status{};
  output->client_ = jack_client_open(clientName, JackNoStartServer, &status);
  if (output->client_ == nullptr) return nullptr;
  jack_on_info_shutdown(output->client_, &OnShutdown, output.get());

  const auto fail = [&output] {
    Release(std::move(output));
    return nullptr;
  };
  for (std::size_t i = 0; i < kPortNames.size(); ++i) {
    output->ports_[i] = jack_port_register(output->client_, kPortNames[i], JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsOutput, 0);
    if (output->ports_[i] == nullptr) return fail();
  }
  output->sampleRate_ = jack_get_sample_rate(output->client_);
  output->device_ = device;
  if (jack_set_process_callback(output->client_, &Process, output.get()) != 0 ||
      jack_set_client_registration_callback(output->client_, &OnClientRegistration, output.get()) !=
          0)
    return fail();

  // The device's inputs are looked up before starting, so that a device that is gone opens
  // nothing.
  std::vector<std::string> targets;
  {
    const PortList ports(output->client_);
    for (const std::string_view port : ports.All())
      if (ClientOf(port) == device && targets.size() < kPortNames.size())
        targets.emplace_back(port);
  }
  if (targets.size() < kPortNames.size() || jack_activate(output->client_) != 0) return fail();
  for (std::size_t i = 0; i < kPortNames.size(); ++i) {
    if (jack_connect(output->client_, jack_port_name(output->ports_[i]), targets[i].c_str()) != 0)
      return fail();
  }
  return output;
}

void JackAudioOutput::Release(std::unique_ptr<JackAudioOutput> output) {
  if (output == nullptr) return;
  if (output->ServerGone())
    Abandon(std::shared_ptr<JackAudioOutput>(std::move(output)));
  else
    output.reset();
}

JackAudioOutput::~JackAudioOutput() {
  // Closing deactivates first: no process call runs once this returns.
  if (client_ != nullptr) jack_client_close(client_);
}

bool JackAudioOutput::ServerGone() const {
  return JackServerGoneSince(generation_);
}

int JackAudioOutput::Process(jack_nframes_t frames, void* output) {
  const auto* self = static_cast<JackAudioOutput*>(output);
  std::array<float*, 2> buffers{};
  for (std::size_t i = 0; i < buffers.size(); ++i)
    buffers[i] = static_cast<float*>(jack_port_get_buffer(self->ports_[i], frames));
  std::array<std::int16_t, 2 * kChunkFrames> chunk{};
  for (std::size_t done = 0; done < frames;) {
    const std::size_t count = std::min<std::size_t>(kChunkFrames, frames - done);
    self->source_(std::span(chunk).first(2 * count), self->context_);
    for (std::size_t i = 0; i < count; ++i) {
      buffers[0][done + i] = static_cast<float>(chunk[2 * i]) * kSampleScale;
      buffers[1][done + i] = static_cast<float>(chunk[2 * i + 1]) * kSampleScale;
    }
    done += count;
  }
  return 0;
}

void JackAudioOutput::OnShutdown(jack_status_t /*status*/, const char* /*reason*/, void* output) {
  NoteJackServerGone(static_cast<JackAudioOutput*>(output)->generation_);
}

void JackAudioOutput::OnClientRegistration(const char* name, int registered, void* output) {
  auto* self = static_cast<JackAudioOutput*>(output);
  if (registered == 0 && name != nullptr && self->device_ == name) self->deviceGone_ = true;
}

}  // namespace tolvane::sound_systems
