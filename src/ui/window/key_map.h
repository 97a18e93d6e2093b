#pragma once
// What the instrument panel draws of an instrument, apart from the drawing: its zones as
// rectangles over keys (across) and velocities (up), the root keys, the drum sounds on their
// keys, and what a point of the drawing plays.

#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace tolvane {

struct Instrument;
struct Sample;

struct KeyMapZone {
  int zone = 0;  // its index in the instrument's zones
  int keyLow = 0, keyHigh = 127, velLow = 0, velHigh = 127;
  int rootKey = 60;
  int colour = 0;  // its sample's place among the instrument's samples
  bool stereo = false, dual = false, loop = false;
  const Sample* sample = nullptr;
  QString tip;  // sample, root, tune, loop and gain, for the hover tip
};

class KeyMap {
 public:
  KeyMap() = default;
  explicit KeyMap(const Instrument& instrument);

  const std::vector<KeyMapZone>& zones() const { return zones_; }
  // Every zone plays one key: a drum kit, whose keys are labelled with their sounds.
  bool drumKit() const { return drumKit_; }
  // The sample name a drum kit plays on `key`; empty elsewhere.
  const QString& KeyLabel(int key) const { return labels_.at(static_cast<std::size_t>(key)); }
  bool IsRoot(int key) const { return roots_.at(static_cast<std::size_t>(key)); }

 private:
  std::vector<KeyMapZone> zones_;
  bool drumKit_ = false;
  std::array<QString, 128> labels_{};
  std::array<bool, 128> roots_{};
};

// A note a point of the panel plays.
struct PlayedNote {
  int key = 60;
  int velocity = 100;
  int zone = -1;  // the KeyMap zone clicked, -1 on the keyboard
};

// Where things are in the drawn key map: zones above, the keyboard under them, one column a key.
class KeyMapLayout {
 public:
  KeyMapLayout(const QRectF& area, double keyboardHeight);

  const QRectF& field() const { return field_; }
  const QRectF& keyboard() const { return keyboard_; }
  QRectF KeyColumn(int key) const;
  // A zone over its keys and velocities, velocity 127 at the top.
  QRectF ZoneRect(const KeyMapZone& zone) const;
  // The key under x, if within the map.
  std::optional<int> KeyAt(double x) const;
  // What a click at `point` plays: on the keyboard its key, louder towards the key's front; on
  // a zone, the key under the point at the middle of the zone's velocities (the topmost zone
  // where several overlap); elsewhere in the field the key at the velocity of the height.
  std::optional<PlayedNote> NoteAt(const KeyMap& map, QPointF point) const;
  // The index into map.zones() of the zone under `point`, the last drawn first; -1 for none.
  int ZoneAt(const KeyMap& map, QPointF point) const;

 private:
  QRectF field_;
  QRectF keyboard_;
};

// Whether MIDI key `key` is a black key of a piano.
bool IsBlackKey(int key);

}  // namespace tolvane
