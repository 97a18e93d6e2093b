#include "ui/window/instrument_panel.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>

#include "library/library.h"
#include "library/zone.h"
#include "ui/window/window_texts.h"

namespace tolvane {
namespace {

constexpr double kKeyboardShare = 0.18;  // of the key map's height
constexpr double kKeyMapShare = 0.6;     // of the panel's height; the waveform has the rest

// Twelve hues a sample each, repeated; light enough for the black outlines and labels.
QColor SampleColour(int index) {
  return QColor::fromHsv((index * 67) % 360, 90, 235);
}

}  // namespace

InstrumentPanel::InstrumentPanel(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(false);
  setToolTip(QString::fromLatin1(texts::kPanelTip));
}

void InstrumentPanel::SetInstrument(const Instrument* instrument) {
  if (sounding_) emit NoteReleased(*sounding_);
  sounding_.reset();
  instrument_ = instrument;
  map_ = instrument != nullptr ? KeyMap(*instrument) : KeyMap();
  chosen_ = map_.zones().empty() ? -1 : 0;
  junction_ = false;
  envelopeOf_ = nullptr;
  update();
}

KeyMapLayout InstrumentPanel::Layout() const {
  const QRectF area(4, 4, std::max(0, width() - 8), std::max(0.0, height() * kKeyMapShare - 6));
  return KeyMapLayout(area, area.height() * kKeyboardShare);
}

QRectF InstrumentPanel::WaveArea() const {
  const double top = height() * kKeyMapShare + 2;
  return {4, top, std::max(0.0, width() - 8.0), std::max(0.0, height() - top - 4)};
}

std::optional<int> InstrumentPanel::KeyOfComputerKey(int qtKey) {
  // Two rows as DAWs lay them out: the lower from C3, the upper from C4.
  static constexpr std::array<int, 12> kLower = {Qt::Key_Z, Qt::Key_S, Qt::Key_X, Qt::Key_D,
                                                 Qt::Key_C, Qt::Key_V, Qt::Key_G, Qt::Key_B,
                                                 Qt::Key_H, Qt::Key_N, Qt::Key_J, Qt::Key_M};
  static constexpr std::array<int, 12> kUpper = {Qt::Key_Q, Qt::Key_2, Qt::Key_W, Qt::Key_3,
                                                 Qt::Key_E, Qt::Key_R, Qt::Key_5, Qt::Key_T,
                                                 Qt::Key_6, Qt::Key_Y, Qt::Key_7, Qt::Key_U};
  for (int i = 0; i < 12; ++i) {
    if (kLower[static_cast<std::size_t>(i)] == qtKey) return 48 + i;
    if (kUpper[static_cast<std::size_t>(i)] == qtKey) return 60 + i;
  }
  return std::nullopt;
}

void InstrumentPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const std::optional<PlayedNote> note = Layout().NoteAt(map_, event->position());
  if (!note) return;
  if (note->zone >= 0 && note->zone != chosen_) {
    chosen_ = note->zone;
    junction_ = false;
    update();
  }
  if (sounding_) emit NoteReleased(*sounding_);
  sounding_ = note->key;
  emit NotePressed(note->key, note->velocity);
}

void InstrumentPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !sounding_) return;
  emit NoteReleased(*sounding_);
  sounding_.reset();
}

void InstrumentPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !WaveArea().contains(event->position())) {
    QWidget::mouseDoubleClickEvent(event);
    return;
  }
  const bool loops = chosen_ >= 0 && map_.zones()[static_cast<std::size_t>(chosen_)].loop;
  junction_ = loops && !junction_;
  update();
}

void InstrumentPanel::keyPressEvent(QKeyEvent* event) {
  const std::optional<int> key = KeyOfComputerKey(event->key());
  if (!key || event->modifiers() != Qt::NoModifier) {
    QWidget::keyPressEvent(event);
    return;
  }
  if (!event->isAutoRepeat()) emit NotePressed(*key, 100);
}

void InstrumentPanel::keyReleaseEvent(QKeyEvent* event) {
  const std::optional<int> key = KeyOfComputerKey(event->key());
  if (!key) {
    QWidget::keyReleaseEvent(event);
    return;
  }
  if (!event->isAutoRepeat()) emit NoteReleased(*key);
}

void InstrumentPanel::resizeEvent(QResizeEvent* /*event*/) {
  envelopeOf_ = nullptr;
}

bool InstrumentPanel::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const KeyMapLayout layout = Layout();
  QString tip;
  if (const int zone = layout.ZoneAt(map_, help->pos()); zone >= 0) {
    tip = map_.zones()[static_cast<std::size_t>(zone)].tip;
  } else if (const auto key = layout.KeyAt(help->pos().x());
             key && layout.keyboard().contains(help->pos())) {
    tip = QStringLiteral("Key %1").arg(*key);
    if (!map_.KeyLabel(*key).isEmpty()) tip += QStringLiteral(": ") + map_.KeyLabel(*key);
  } else {
    tip = toolTip();
  }
  QToolTip::showText(help->globalPos(), tip, this);
  return true;
}

void InstrumentPanel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (instrument_ == nullptr || map_.zones().empty()) {
    painter.setPen(palette().text().color());
    painter.drawText(rect(), Qt::AlignCenter, QString::fromLatin1(texts::kPanelEmpty));
    return;
  }
  const KeyMapLayout layout = Layout();
  PaintKeyMap(painter, layout);
  PaintWave(painter, WaveArea());
  if (canPlay_ && !canPlay_()) {
    painter.setPen(palette().text().color());
    painter.drawText(WaveArea().adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignBottom,
                     QString::fromLatin1(texts::kPanelNoOutput));
  }
}

void InstrumentPanel::PaintKeyMap(QPainter& painter, const KeyMapLayout& layout) const {
  painter.setPen(QColor(200, 200, 200));
  painter.drawRect(layout.field());
  for (const KeyMapZone& zone : map_.zones()) {
    const QRectF box = layout.ZoneRect(zone);
    painter.fillRect(box, SampleColour(zone.colour));
    painter.setPen(zone.dual ? QPen(Qt::darkRed, 1, Qt::DashLine) : QPen(Qt::black, 1));
    painter.drawRect(box);
    if (zone.stereo) painter.drawLine(box.topLeft(), box.bottomRight());  // a stereo zone's mark
  }
  const QRectF keys = layout.keyboard();
  for (int key = 0; key < 128; ++key) {
    const QRectF column = layout.KeyColumn(key);
    const QRectF cap(column.left(), keys.top(), column.width(), keys.height());
    painter.fillRect(cap, IsBlackKey(key) ? QColor(40, 40, 40) : QColor(Qt::white));
    if (map_.IsRoot(key))
      painter.fillRect(cap.adjusted(0, cap.height() * 0.6, 0, 0), QColor(220, 60, 40));
    if (key % 12 == 0) {
      painter.setPen(QColor(120, 120, 120));
      painter.drawLine(cap.topLeft(), cap.bottomLeft());
    }
  }
  painter.setPen(Qt::black);
  painter.drawRect(keys);
  if (!map_.drumKit()) return;
  // A drum kit's sounds on their keys, written up the field where each key has room.
  painter.save();
  QFont small = painter.font();
  small.setPointSizeF(std::max(5.0, small.pointSizeF() * 0.75));
  painter.setFont(small);
  for (int key = 0; key < 128; ++key) {
    if (map_.KeyLabel(key).isEmpty()) continue;
    const QRectF column = layout.KeyColumn(key);
    painter.save();
    painter.translate(column.center().x() + painter.fontMetrics().ascent() / 2.0,
                      layout.field().bottom() - 2);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), painter.fontMetrics().elidedText(
                                        map_.KeyLabel(key), Qt::ElideRight,
                                        static_cast<int>(layout.field().height() - 4)));
    painter.restore();
  }
  painter.restore();
}

void InstrumentPanel::UpdateEnvelope(int width) {
  const KeyMapZone& zone = map_.zones()[static_cast<std::size_t>(chosen_)];
  if (envelopeOf_ == zone.sample && envelopeWidth_ == width) return;
  envelopeOf_ = zone.sample;
  envelopeWidth_ = width;
  envelope_.clear();
  const Sample* sample = zone.sample;
  if (sample == nullptr || sample->frames == 0 || width <= 0) return;
  const std::size_t channels = std::clamp<std::size_t>(sample->channels, 1, 2);
  const std::size_t frames = std::min<std::size_t>(sample->frames, sample->data.size() / channels);
  envelope_.assign(channels * static_cast<std::size_t>(width), {0.0F, 0.0F});
  for (std::size_t column = 0; column < static_cast<std::size_t>(width); ++column) {
    const std::size_t first = column * frames / static_cast<std::size_t>(width);
    const std::size_t last =
        std::max(first + 1, (column + 1) * frames / static_cast<std::size_t>(width));
    for (std::size_t c = 0; c < channels; ++c) {
      std::int16_t low = 0, high = 0;
      for (std::size_t f = first; f < std::min(last, frames); ++f) {
        const std::int16_t v = sample->data[f * channels + c];
        low = std::min(low, v);
        high = std::max(high, v);
      }
      envelope_[c * static_cast<std::size_t>(width) + column] = {low / 32768.0F, high / 32768.0F};
    }
  }
}

void InstrumentPanel::PaintWave(QPainter& painter, const QRectF& area) {
  painter.setPen(QColor(200, 200, 200));
  painter.drawRect(area);
  if (chosen_ < 0 || area.width() < 2 || area.height() < 4) return;
  const KeyMapZone& shown = map_.zones()[static_cast<std::size_t>(chosen_)];
  if (junction_ && shown.sample != nullptr && shown.loop) {
    PaintJunction(painter, area, *shown.sample);
    return;
  }
  const int width = static_cast<int>(area.width());
  UpdateEnvelope(width);
  const KeyMapZone& zone = map_.zones()[static_cast<std::size_t>(chosen_)];
  const Sample* sample = zone.sample;
  if (sample == nullptr || envelope_.empty()) return;
  const std::size_t channels = envelope_.size() / static_cast<std::size_t>(width);
  const double laneHeight = area.height() / static_cast<double>(channels);
  painter.setPen(QColor(30, 90, 160));
  for (std::size_t c = 0; c < channels; ++c) {
    const double middle = area.top() + laneHeight * (static_cast<double>(c) + 0.5);
    for (int x = 0; x < width; ++x) {
      const auto [low, high] =
          envelope_[c * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
      painter.drawLine(QPointF(area.left() + x, middle - high * laneHeight / 2),
                       QPointF(area.left() + x, middle - low * laneHeight / 2));
    }
  }
  // Start offset (bytes, two per value) and loop points, in frames across the width.
  const Zone& played = instrument_->zones[static_cast<std::size_t>(zone.zone)];
  const auto xOf = [&](double frame) {
    return area.left() + frame * area.width() / std::max<std::uint32_t>(1, sample->frames);
  };
  const double start = played.mapping.startOffset / 2.0 / static_cast<double>(channels);
  painter.setPen(QPen(QColor(0, 140, 0), 1));
  painter.drawLine(QPointF(xOf(start), area.top()), QPointF(xOf(start), area.bottom()));
  if (zone.loop && sample->loopEnd > sample->loopStart) {
    painter.setPen(QPen(QColor(200, 80, 0), 1, Qt::DashLine));
    for (const std::uint32_t point : {sample->loopStart, sample->loopEnd})
      painter.drawLine(QPointF(xOf(point), area.top()), QPointF(xOf(point), area.bottom()));
  }
  painter.setPen(palette().text().color());
  painter.drawText(area.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(sample->name));
}

void InstrumentPanel::PaintJunction(QPainter& painter, const QRectF& area,
                                    const Sample& sample) const {
  // Up to 200 frames each side, value by value: a jump or a kink at the middle line is the click
  // the loop makes.
  constexpr std::uint32_t kSide = 200;
  const std::size_t channels = std::clamp<std::size_t>(sample.channels, 1, 2);
  const std::size_t stored = sample.data.size() / channels;
  const std::uint32_t end =
      std::min<std::uint32_t>(sample.loopEnd, static_cast<std::uint32_t>(stored));
  const std::uint32_t start = std::min(sample.loopStart, end);
  const std::uint32_t before = std::min(kSide, end - start);
  const std::uint32_t after = std::min<std::uint32_t>(kSide, end - start);
  std::vector<std::size_t> frames;
  for (std::uint32_t f = end - before; f < end; ++f) frames.push_back(f);
  for (std::uint32_t f = start; f < start + after; ++f) frames.push_back(f);
  if (frames.size() < 2) return;
  const double step = area.width() / static_cast<double>(frames.size() - 1);
  const double laneHeight = area.height() / static_cast<double>(channels);
  painter.setPen(QColor(30, 90, 160));
  for (std::size_t c = 0; c < channels; ++c) {
    const double middle = area.top() + laneHeight * (static_cast<double>(c) + 0.5);
    QPointF last;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const double value = sample.data[frames[i] * channels + c] / 32768.0;
      const QPointF point(area.left() + static_cast<double>(i) * step,
                          middle - value * laneHeight / 2);
      if (i > 0) painter.drawLine(last, point);
      last = point;
    }
  }
  const double junction = area.left() + static_cast<double>(before) * step - step / 2;
  painter.setPen(QPen(QColor(200, 80, 0), 1, Qt::DashLine));
  painter.drawLine(QPointF(junction, area.top()), QPointF(junction, area.bottom()));
  painter.setPen(palette().text().color());
  painter.drawText(area.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromLatin1(texts::kPanelJunction)
                       .arg(QString::fromStdString(sample.name))
                       .arg(start)
                       .arg(end));
}

}  // namespace tolvane
