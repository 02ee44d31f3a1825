// A command button in the Office-XP manner: flat on its page until the pointer rests on it, its
// picture above its caption, no focus rectangle; the keyboard focus shows as its hot frame. Enter
// or Return presses it when it has the focus.
// Its tooltip, when it has one, stays for kToolTipDuration.
#pragma once

#include <QPushButton>

#include "form_drawing.h"
#include "usb_form.h"

namespace harnlode {

class XpButton : public QPushButton {
  Q_OBJECT
 public:
  static constexpr int kPictureCaptionGap = form::kPictureCaptionGap;
  static constexpr int kToolTipDuration = form::kToolTipDisplayMilliseconds;

  explicit XpButton(QWidget* parent = nullptr);

  // Where the picture and the caption are drawn, in the button's own coordinates.
  QRect PictureRect() const;
  QRect CaptionRect() const;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Where the picture and the caption go in the given look.
  form::ButtonContent Content(const form::ButtonLook& look) const;
};

}  // namespace harnlode
