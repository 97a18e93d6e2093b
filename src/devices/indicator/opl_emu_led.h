#pragma once
// The activity indicator: a small filled rectangle that shows an idle colour and, for a given
// time, a flash colour. The MIDI monitor flashes it for every message; the window makes its idle
// colour black while a MIDI port is open. It knows nothing of MIDI.
//
// Its class name and object name are "OplEmuLed", the name the window's layout refers to. All
// calls come on the widget's own thread; other threads reach it through queued calls.

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

// Outside the project's namespace so that Qt reports the class name as it is.
class OplEmuLed : public QWidget {
  Q_OBJECT

 public:
  explicit OplEmuLed(QWidget* parent = nullptr);

  // A colour given as 0x00BBGGRR, the form the device layer passes.
  static QColor FromBgr(std::uint32_t bgr);

  // The colour to return to after a flash. Shown at once when the indicator is idle; during a
  // flash it takes over when the flash ends.
  void SetIdleColour(const QColor& colour);
  // Shows `colour` for `milliseconds`; a flash during a flash replaces it and restarts the timer.
  // A duration of 0 keeps the colour until the next change.
  void FlashColour(int milliseconds, const QColor& colour);
  // With a colour, as FlashColour; without one, keeps the colour shown now and (re)starts the
  // timer with `milliseconds`.
  void FlashAgain(int milliseconds, std::optional<QColor> colour = std::nullopt);

  QColor idleColour() const { return idle_; }
  QColor currentColour() const { return current_; }
  // True from a flash until its timer returns the indicator to the idle colour.
  bool isFlashing() const { return flashing_; }

  // 15 x 6 dialog units at the widget's font.
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Shows `colour`; a non-zero duration (re)starts the single flash timer, 0 stops it.
  void Show(const QColor& colour, int milliseconds);

  QTimer timer_;
  QColor idle_;
  QColor current_;
  bool flashing_ = false;
};
