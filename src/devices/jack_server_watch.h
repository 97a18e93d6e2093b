#pragma once
// Noticing that a JACK server went away; used by the device layer alone.

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace tolvane::sound_systems {

// The JACK servers our clients meet are counted: a client remembers the count at its open, and
// once any client of ours hears its server go away, every client opened under that count belongs
// to a server that is gone. So a port learns of the loss as soon as the first of the process's
// clients does, not only when its own client hears of it.
std::uint64_t JackServerGeneration();
// Called from a client's shutdown report: the server of `generation` is gone.
void NoteJackServerGone(std::uint64_t generation);
bool JackServerGoneSince(std::uint64_t generation);

// Tells when the JACK server goes away under an open port. A client of a server that went away
// must not be touched again once another client was opened (libjack then lets go of the memory
// it points into, and touching it crashes), so such clients are abandoned, not closed.
class JackServerWatch {
 public:
  // Null when no server runs.
  static std::unique_ptr<JackServerWatch> Start();
  // Closes the watch, or abandons it for good when its server went away: its client may still
  // report the end to it.
  static void Release(std::unique_ptr<JackServerWatch> watch);
  JackServerWatch(const JackServerWatch&) = delete;
  JackServerWatch& operator=(const JackServerWatch&) = delete;
  // Closes the watching client. REQUIRES: !ServerGone(); use Release.
  ~JackServerWatch();

  bool ServerGone() const { return JackServerGoneSince(generation_); }

 private:
  JackServerWatch() = default;
  static void OnShutdown(jack_status_t status, const char* reason, void* watch);

  jack_client_t* client_ = nullptr;
  std::uint64_t generation_ = JackServerGeneration();
};

}  // namespace tolvane::sound_systems
