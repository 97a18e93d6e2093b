#include "devices/sound_systems.h"

#include <jack/jack.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tolvane::sound_systems {

namespace {

void Discard(const char* /*message*/) {}

}  // namespace

bool AlsaSequencerPresent() {
  return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
}

bool AlsaCardsPresent() {
  std::error_code error;
  for (std::filesystem::directory_iterator entry("/dev/snd", error), end; !error && entry != end;
       entry.increment(error)) {
    if (entry->path().filename().string().starts_with("controlC")) return true;
  }
  return false;
}

bool JackServerRunning() {
  SilenceJack();
  jack_status_t status{};
  jack_client_t* client = jack_client_open("tolvane-probe", JackNoStartServer, &status);
  if (client == nullptr) return false;
  jack_client_close(client);
  return true;
}

void SilenceJack() {
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(&Discard);
    jack_set_info_function(&Discard);
  });
}

void Abandon(std::shared_ptr<void> object) {
  static std::mutex mutex;
  // Deliberately never destroyed.
  static auto* const kept = new std::vector<std::shared_ptr<void>>;
  const std::lock_guard lock(mutex);
  kept->push_back(std::move(object));
}

std::unique_ptr<JackServerWatch> JackServerWatch::Start() {
  SilenceJack();
  std::unique_ptr<JackServerWatch> watch(new JackServerWatch);
  jack_status_t status{};
  watch->client_ = jack_client_open("tolvane-watch", JackNoStartServer, &status);
  if (watch->client_ == nullptr) return nullptr;
  jack_on_info_shutdown(
      watch->client_,
      [](jack_status_t code, const char* reason, void* self) {
        OnShutdown(static_cast<int>(code), reason, self);
      },
      watch.get());
  return watch;
}

JackServerWatch::~JackServerWatch() {
  if (client_ == nullptr) return;
  if (gone_)
    Abandon(std::shared_ptr<void>(client_, [](void*) {}));
  else
    jack_client_close(client_);
}

void JackServerWatch::OnShutdown(int /*status*/, const char* /*reason*/, void* watch) {
  static_cast<JackServerWatch*>(watch)->gone_ = true;
}

}  // namespace tolvane::sound_systems
