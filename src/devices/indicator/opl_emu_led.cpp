#include "devices/indicator/opl_emu_led.h"

#include <QPainter>

#include "devices/indicator/dialog_units.h"

namespace {

// The stock light-grey brush of the original platform.
const QColor kIdleGrey(0xC0, 0xC0, 0xC0);

}  // namespace

OplEmuLed::OplEmuLed(QWidget* parent) : QWidget(parent), idle_(kIdleGrey), current_(kIdleGrey) {
  setObjectName(QStringLiteral("OplEmuLed"));
  timer_.setSingleShot(true);
  // A coarse timer may end a flash up to 5% early.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    flashing_ = false;
    Show(idle_, 0);
  });
}

QColor OplEmuLed::FromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

void OplEmuLed::SetIdleColour(const QColor& colour) {
  if (!flashing_) Show(colour, 0);
  idle_ = colour;
}

void OplEmuLed::FlashColour(int milliseconds, const QColor& colour) {
  flashing_ = true;
  Show(colour, milliseconds);
}

void OplEmuLed::FlashAgain(int milliseconds, std::optional<QColor> colour) {
  // Without a colour the indicator stays in the state it is in, flash or idle.
  if (colour) flashing_ = true;
  Show(colour.value_or(current_), milliseconds);
}

QSize OplEmuLed::sizeHint() const {
  return tolvane::DialogUnits(font()).Size(15, 6);
}

void OplEmuLed::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), current_);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void OplEmuLed::Show(const QColor& colour, int milliseconds) {
  current_ = colour;
  update();
  if (milliseconds > 0)
    timer_.start(milliseconds);
  else
    timer_.stop();
}
