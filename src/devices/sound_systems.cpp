#include "devices/sound_systems.h"

#if TOLVANE_JACK
#include <jack/jack.h>
#endif
#ifdef _WIN32
// windows.h first: mmsystem.h builds on its types.
#include <windows.h>

#include <mmsystem.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tolvane::sound_systems {

#if TOLVANE_JACK
namespace {

void Discard(const char* /*message*/) {}

}  // namespace
#endif

bool AlsaSequencerPresent() {
#ifdef _WIN32
  return false;
#else
  return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
#endif
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
#if !TOLVANE_JACK
  return false;
#else
  SilenceJack();
  jack_status_t status{};
  jack_client_t* client = jack_client_open("tolvane-probe", JackNoStartServer, &status);
  if (client == nullptr) return false;
  jack_client_close(client);
  return true;
#endif
}

bool WinMmInputsPresent() {
#ifdef _WIN32
  return ::midiInGetNumDevs() > 0;
#else
  return false;
#endif
}

void SilenceJack() {
#if TOLVANE_JACK
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(&Discard);
    jack_set_info_function(&Discard);
  });
#endif
}

void Abandon(std::shared_ptr<void> object) {
  static std::mutex mutex;
  // Deliberately never destroyed.
  static auto* const kept = new std::vector<std::shared_ptr<void>>;
  const std::lock_guard lock(mutex);
  kept->push_back(std::move(object));
}

}  // namespace tolvane::sound_systems
