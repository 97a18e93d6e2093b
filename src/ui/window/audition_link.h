#pragma once
// Playing the instrument of the list's current row from the MIDI input on the audio output:
// the MIDI thread posts its messages to the sampler, the audio thread renders it after the
// stream's ramp. Changing the current row changes the instrument for new notes; a drop or a
// change on either selector silences everything at once. Keys clicked on the window's panel
// play too, with or without a MIDI port. The sampler plays its own copy of the
// instrument, so the library may be cleared under a sounding note.

#include <QObject>
#include <cstdint>
#include <span>
#include <vector>

#include "audition/sampler.h"
#include "devices/port_device.h"

namespace tolvane {

class MainDialog;

class AuditionLink final : public QObject, public AudioRenderer {
 public:
  // Becomes the output's renderer and the input's message callback; create it before the
  // dialog opens the remembered ports.
  AuditionLink(MidiInputDevice& midi, PortDevice& audio);
  // REQUIRES: the MIDI port opened while it was set is closed.
  ~AuditionLink() override;
  AuditionLink(const AuditionLink&) = delete;
  AuditionLink& operator=(const AuditionLink&) = delete;

  // Follows the dialog's current row, its drops and its selectors.
  void Follow(MainDialog& dialog);
  // New notes play the instrument of that row of the dialog's list (none for an invalid row, or
  // while the MIDI port or the audio device is closed; choosing one on the dialog's selectors
  // takes the current row again).
  void PlayRow(MainDialog& dialog, int row);
  // A key of the window's panel: plays the current row's instrument on the audio output while
  // held, whether or not a MIDI port is open. Nothing without an open output.
  void PlayKey(MainDialog& dialog, int key, int velocity);
  void ReleaseKey(int key);
  // Every voice ends at the next buffer.
  void Silence() { sampler_.Silence(); }

  void Prepare(unsigned int rate) override;
  void Render(std::span<std::int16_t> stereo) override;

 private:
  MidiInputDevice& midi_;
  PortDevice& audio_;
  Sampler sampler_;
  const Instrument* loaded_ = nullptr;  // what new notes play, as the sampler's copy
  std::vector<float> scratch_;          // the audio thread's, made once
};

}  // namespace tolvane
