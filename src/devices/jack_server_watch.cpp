#include "devices/jack_server_watch.h"

#include "devices/sound_systems.h"

namespace tolvane::sound_systems {

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
  if (gone_)
    Abandon(std::shared_ptr<void>(client_, [](void*) {}));
  else
    jack_client_close(client_);
}

void JackServerWatch::OnShutdown(jack_status_t /*status*/, const char* /*reason*/, void* watch) {
  static_cast<JackServerWatch*>(watch)->gone_ = true;
}

}  // namespace tolvane::sound_systems
