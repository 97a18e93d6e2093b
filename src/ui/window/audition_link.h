#pragma once
// Playing the instrument of the list's current row from the MIDI input on the audio output:
// the MIDI thread posts its messages to the sampler, the audio thread renders it after the
// stream's ramp. Changing the current row changes the instrument for new notes; a drop or a
// change on either selector silences everything at once. Keys clicked on the window's panel
// play too, with or without a MIDI port. The sampler plays its own copy of the
// instrument, so the library may be cleared under a sounding note.
//
// While a sound option is on (MainDialog::soundOptions), the copy is the instrument as an export
// with the options would write it, made by the dialog's AnalysedCopy on a thread of its own. New
// notes are silent until it arrives: the plain copy would play loops and root keys that the
// export will not write. A key clicked meanwhile and still held sounds from its arrival on.

#include <QObject>
#include <array>
#include <cstdint>
#include <memory>
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

  // Follows the dialog's current row, its drops, its selectors and its sound options.
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
  // New notes play `instrument` (none: silence), as the dialog's sound options have it.
  void Load(MainDialog& dialog, const Instrument* instrument);
  void Arrived(const Instrument* instrument, std::shared_ptr<const PlayableInstrument> copy);

  MidiInputDevice& midi_;
  PortDevice& audio_;
  Sampler sampler_;
  const Instrument* loaded_ = nullptr;           // what new notes play, as the sampler's copy
  bool awaiting_ = false;                        // its analysed copy is being made
  std::array<std::uint8_t, 128> waitingKeys_{};  // clicked meanwhile and held: their velocities
  std::vector<float> scratch_;                   // the audio thread's, made once
};

}  // namespace tolvane
