#include "devices/jack_server_watch.h"

#include "devices/sound_systems.h"

namespace tolvane::sound_systems {

namespace {

std::atomic<std::uint64_t> generation{0};

}  // namespace

std::uint64_t JackServerGeneration() {
  return generation.load();
}

void NoteJackServerGone(std::uint64_t gone) {
  // Only the first report of a server counts; a late one must not condemn a newer server.
  generation.compare_exchange_strong(gone, gone + 1);
}

bool JackServerGoneSince(std::uint64_t generationAtOpen) {
  return generation.load() != generationAtOpen;
}

std::unique_ptr<JackServerWatch> JackServerWatch::Start() {
  SilenceJack();
  std::unique_ptr<JackServerWatch> watch(new JackServerWatch);
  jack_status_t status{};
  watch->client_ = jack_client_open("tolvane-watch", JackNoStartServer, &status);
  if (watch->client_ == nullptr) return nullptr;
  jack_on_info_shutdown(watch->client_, &OnShutdown, watch.get());
  return watch;
}

JackServerWatch::~JackServerWatch() {
  if (client_ == nullptr) return;
  if (ServerGone())
    Abandon(std::shared_ptr<void>(client_, [](void*) {}));
  else
    jack_client_close(client_);
}

void JackServerWatch::OnShutdown(jack_status_t /*status*/, const char* /*reason*/, void* watch) {
  NoteJackServerGone(static_cast<JackServerWatch*>(watch)->generation_);
}

}  // namespace tolvane::sound_systems
