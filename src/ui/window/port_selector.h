#pragma once
// A port selector: a combo box that asks for a fresh list each time a person opens it, so that a
// keyboard or an audio interface plugged in after the start appears.

#include <QComboBox>
#include <functional>
#include <utility>

namespace tolvane {

class PortSelector : public QComboBox {
 public:
  using QComboBox::QComboBox;

  // Runs just before the list drops down.
  void SetRefill(std::function<void()> refill) { refill_ = std::move(refill); }

  void showPopup() override {
    if (refill_) refill_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> refill_;
};

}  // namespace tolvane
