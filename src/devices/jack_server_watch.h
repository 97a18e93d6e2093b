#pragma once
// Noticing that a JACK server went away; used by the device layer alone.

#include <jack/jack.h>

#include <atomic>
#include <memory>

namespace tolvane::sound_systems {

// Tells when the JACK server goes away under an open port. A client of a server that went away
// must not be touched again once another client was opened (libjack then lets go of the memory
// it points into, and touching it crashes), so such clients are abandoned, not closed.
class JackServerWatch {
 public:
  // Null when no server runs.
  static std::unique_ptr<JackServerWatch> Start();
  JackServerWatch(const JackServerWatch&) = delete;
  JackServerWatch& operator=(const JackServerWatch&) = delete;
  // Closes the watching client, or abandons it when the server went away.
  ~JackServerWatch();

  bool ServerGone() const { return gone_; }

 private:
  JackServerWatch() = default;
  static void OnShutdown(jack_status_t status, const char* reason, void* watch);

  jack_client_t* client_ = nullptr;
  std::atomic<bool> gone_ = false;
};

}  // namespace tolvane::sound_systems
