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

void JackServerWatch::Release(std::unique_ptr<JackServerWatch> watch) {
  if (watch == nullptr) return;
  // Another client may have heard of the end first; this one's report may still come.
  if (watch->ServerGone())
    Abandon(std::shared_ptr<JackServerWatch>(std::move(watch)));
  else
    watch.reset();
}

JackServerWatch::~JackServerWatch() {
  // Closing stops the client's threads: no report comes after this.
  if (client_ != nullptr) jack_client_close(client_);
}

void JackServerWatch::OnShutdown(jack_status_t /*status*/, const char* /*reason*/, void* watch) {
  NoteJackServerGone(static_cast<JackServerWatch*>(watch)->generation_);
}

}  // namespace tolvane::sound_systems
