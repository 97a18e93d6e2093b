#include "ui/window/key_map.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "library/library.h"
#include "library/zone.h"

namespace tolvane {
namespace {

QString NoteName(int key) {
  static constexpr const char* kNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                           "F#", "G",  "G#", "A",  "A#", "B"};
  // Middle C (60) is C4 here, as in the MIDI standard and the render command.
  return QString::fromLatin1(kNames[key % 12]) + QString::number(key / 12 - 1);
}

QString Tip(const Zone& zone, int rootKey) {
  const Sample* sample = zone.sample;
  QString tip = QString::fromStdString(sample != nullptr ? sample->name : std::string("(none)"));
  tip += QStringLiteral("\nkeys %1-%2, velocities %3-%4")
             .arg(NoteName(zone.mapping.keyLow), NoteName(zone.mapping.keyHigh))
             .arg(zone.mapping.velLow)
             .arg(zone.mapping.velHigh);
  tip += QStringLiteral("\nroot %1").arg(NoteName(rootKey));
  const int cents = zone.mapping.coarseTune * 100 + zone.mapping.fineTune +
                    (sample != nullptr ? sample->pitchCorrection : 0);
  if (cents != 0) tip += QStringLiteral(", tune %1 cents").arg(cents);
  if ((zone.mapping.flags & ZoneLoop) != 0 && sample != nullptr)
    tip += QStringLiteral("\nloop %1-%2").arg(sample->loopStart).arg(sample->loopEnd);
  const double gain = -0.375 * zone.parameters.bytes[ZoneParameters::attenuation] +
                      (sample != nullptr ? sample->foldedDb : 0.0);
  if (gain != 0) tip += QStringLiteral("\ngain %1 dB").arg(gain, 0, 'f', 1);
  if ((zone.mapping.flags & ZoneDual) != 0) tip += QStringLiteral("\ndual (two voices)");
  if ((zone.mapping.flags & ZoneStereo) != 0) tip += QStringLiteral("\nstereo");
  return tip;
}

}  // namespace

bool IsBlackKey(int key) {
  const int note = key % 12;
  return note == 1 || note == 3 || note == 6 || note == 8 || note == 10;
}

KeyMap::KeyMap(const Instrument& instrument) {
  std::map<const Sample*, int> colours;
  bool oneKeyEach = !instrument.zones.empty();
  for (std::size_t i = 0; i < instrument.zones.size(); ++i) {
    const Zone& zone = instrument.zones[i];
    KeyMapZone drawn;
    drawn.zone = static_cast<int>(i);
    drawn.keyLow = std::min<int>(zone.mapping.keyLow, 127);
    drawn.keyHigh = std::clamp<int>(zone.mapping.keyHigh, drawn.keyLow, 127);
    drawn.velLow = std::min<int>(zone.mapping.velLow, 127);
    drawn.velHigh = std::clamp<int>(zone.mapping.velHigh, drawn.velLow, 127);
    const int sampleRoot = zone.sample != nullptr ? static_cast<int>(zone.sample->rootKey) : 60;
    drawn.rootKey = std::clamp(
        zone.mapping.overridingRootKey != 0 ? int{zone.mapping.overridingRootKey} : sampleRoot, 0,
        127);
    drawn.colour = colours.emplace(zone.sample, static_cast<int>(colours.size())).first->second;
    drawn.stereo = (zone.mapping.flags & ZoneStereo) != 0;
    drawn.dual = (zone.mapping.flags & ZoneDual) != 0;
    drawn.loop = (zone.mapping.flags & ZoneLoop) != 0;
    drawn.sample = zone.sample;
    drawn.tip = Tip(zone, drawn.rootKey);
    roots_[static_cast<std::size_t>(drawn.rootKey)] = true;
    oneKeyEach = oneKeyEach && drawn.keyLow == drawn.keyHigh;
    zones_.push_back(std::move(drawn));
  }
  drumKit_ = oneKeyEach;
  if (!drumKit_) return;
  for (const KeyMapZone& zone : zones_) {
    QString& label = labels_[static_cast<std::size_t>(zone.keyLow)];
    if (label.isEmpty() && zone.sample != nullptr)
      label = QString::fromStdString(zone.sample->name);
  }
}

KeyMapLayout::KeyMapLayout(const QRectF& area, double keyboardHeight)
    : field_(area.left(), area.top(), area.width(), std::max(0.0, area.height() - keyboardHeight)),
      keyboard_(area.left(), area.top() + field_.height(), area.width(),
                std::min(keyboardHeight, area.height())) {}

QRectF KeyMapLayout::KeyColumn(int key) const {
  const double width = field_.width() / 128;
  return {field_.left() + key * width, field_.top(), width, field_.height() + keyboard_.height()};
}

QRectF KeyMapLayout::ZoneRect(const KeyMapZone& zone) const {
  const double keyWidth = field_.width() / 128;
  const double velocityHeight = field_.height() / 128;
  const double top = field_.top() + (127 - zone.velHigh) * velocityHeight;
  const double bottom = field_.top() + (128 - zone.velLow) * velocityHeight;
  return {field_.left() + zone.keyLow * keyWidth, top, (zone.keyHigh - zone.keyLow + 1) * keyWidth,
          bottom - top};
}

std::optional<int> KeyMapLayout::KeyAt(double x) const {
  if (field_.width() <= 0 || x < field_.left() || x >= field_.right()) return std::nullopt;
  return std::clamp(static_cast<int>((x - field_.left()) * 128 / field_.width()), 0, 127);
}

int KeyMapLayout::ZoneAt(const KeyMap& map, QPointF point) const {
  const auto& zones = map.zones();
  for (std::size_t i = zones.size(); i-- > 0;)
    if (ZoneRect(zones[i]).contains(point)) return static_cast<int>(i);
  return -1;
}

std::optional<PlayedNote> KeyMapLayout::NoteAt(const KeyMap& map, QPointF point) const {
  const std::optional<int> key = KeyAt(point.x());
  if (!key || point.y() < field_.top() || point.y() >= keyboard_.bottom()) return std::nullopt;
  PlayedNote note;
  note.key = *key;
  if (point.y() >= keyboard_.top()) {
    // Towards the front of a key (down) louder, as a finger strikes harder there.
    const double depth =
        keyboard_.height() > 0 ? (point.y() - keyboard_.top()) / keyboard_.height() : 1.0;
    note.velocity = std::clamp(static_cast<int>(std::lround(32 + depth * 95)), 1, 127);
    return note;
  }
  note.zone = ZoneAt(map, point);
  if (note.zone >= 0) {
    const KeyMapZone& zone = map.zones()[static_cast<std::size_t>(note.zone)];
    note.velocity = std::max(1, (zone.velLow + zone.velHigh + 1) / 2);
  } else {
    const double height = (keyboard_.top() - point.y()) / std::max(1.0, field_.height());
    note.velocity = std::clamp(static_cast<int>(std::lround(height * 127)), 1, 127);
  }
  return note;
}

}  // namespace tolvane
