#pragma once
// Which of the machine's sound systems the device layer talks to. The MIDI input monitor and the
// audio output stream ask here before they create a client, so that a machine without a sound
// system stays quiet: the libraries underneath print to stderr when a system is missing.

#include <memory>

// Whether JACK is built in comes from the device layer's target (1 on Linux, 0 on Windows); the
// classes' layout depends on it, so a program must not read these headers without it.
#ifndef TOLVANE_JACK
#error "TOLVANE_JACK comes with the tolvane_devices target: link it"
#endif

namespace tolvane {

// MIDI input: the ALSA sequencer, else a JACK server; on Windows its multimedia API (WinMM).
enum class MidiSystem { kAutomatic, kAlsa, kJack, kWinMm };
// Audio output: a JACK server when one runs, else PulseAudio, else ALSA. On Windows WASAPI, else
// DirectSound.
enum class AudioSystem { kAutomatic, kJack, kPulseAudio, kAlsa, kWasapi, kDirectSound };

namespace sound_systems {

// The ALSA and JACK probes answer false on Windows.

// Whether the ALSA sequencer device can be opened for reading and writing.
bool AlsaSequencerPresent();
// Whether the machine has at least one ALSA sound card.
bool AlsaCardsPresent();
// Whether a JACK server (the one JACK_DEFAULT_SERVER names, or the default) accepts a client.
// Never starts a server.
bool JackServerRunning();
// Whether Windows' multimedia API has a MIDI input device; false elsewhere.
bool WinMmInputsPresent();
// Turns off libjack's own messages on stderr, once for the process.
void SilenceJack();

// Keeps `object` alive, never destroyed, for the rest of the process.
void Abandon(std::shared_ptr<void> object);

}  // namespace sound_systems
}  // namespace tolvane
