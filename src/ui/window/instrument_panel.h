#pragma once
// The panel under the list: the current row's key map (zones over keys and velocities, the
// keyboard under them) and the waveform of the zone chosen in it, with its start and loop.
// Clicking a key or a zone plays it until the button is let go; so do the computer's keys, two
// octaves as DAWs lay them out (Z to M from C3, Q to U from C4).

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "ui/window/key_map.h"

namespace tolvane {

class InstrumentPanel : public QWidget {
  Q_OBJECT

 public:
  explicit InstrumentPanel(QWidget* parent = nullptr);

  // The instrument to show; none shows how to choose one. It must outlive its showing.
  void SetInstrument(const Instrument* instrument);
  // Whether notes can be heard now (an audio output is open); asked at every paint.
  void SetCanPlay(std::function<bool()> canPlay) { canPlay_ = std::move(canPlay); }

  const KeyMap& keyMap() const { return map_; }
  // The key map's place in the panel, for the panel's size now.
  KeyMapLayout Layout() const;
  // The zone whose sample the waveform shows (an index into keyMap().zones()), -1 for none.
  int chosenZone() const { return chosen_; }
  // Whether the waveform shows the chosen zone's loop junction magnified (a double click on the
  // waveform of a looped zone turns it on and off): the frames before the loop's end, then those
  // from its start, as the sampler plays them.
  bool junctionShown() const { return junction_; }
  // The computer key's MIDI key, if it plays one.
  static std::optional<int> KeyOfComputerKey(int qtKey);

 signals:
  void NotePressed(int key, int velocity);
  void NoteReleased(int key);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRectF WaveArea() const;
  void PaintKeyMap(QPainter& painter, const KeyMapLayout& layout) const;
  void PaintWave(QPainter& painter, const QRectF& area);
  void PaintJunction(QPainter& painter, const QRectF& area, const Sample& sample) const;
  // The chosen sample's lowest and highest value per pixel column and channel, made when the
  // sample or the width changes.
  void UpdateEnvelope(int width);

  KeyMap map_;
  const Instrument* instrument_ = nullptr;
  int chosen_ = -1;
  bool junction_ = false;
  std::optional<int> sounding_;  // the key the mouse holds
  std::function<bool()> canPlay_;
  const void* envelopeOf_ = nullptr;
  int envelopeWidth_ = 0;
  std::vector<std::pair<float, float>> envelope_;  // per column, channel after channel
};

}  // namespace tolvane
