#include "xp_button.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include "olive_theme.h"

namespace harnlode {

XpButton::XpButton(QWidget* parent) : QPushButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFlat(true);
  setFocusPolicy(Qt::StrongFocus);
}

QRect XpButton::PictureRect() const {
  const QSize picture = iconSize();
  const int content_height = picture.height() + kPictureCaptionGap + fontMetrics().height();
  const int top = qMax(0, (height() - content_height) / 2);
  return {(width() - picture.width()) / 2, top, picture.width(), picture.height()};
}

QRect XpButton::CaptionRect() const {
  const QRect picture = PictureRect();
  return {0, picture.bottom() + 1 + kPictureCaptionGap, width(), fontMetrics().height()};
}

bool XpButton::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    if (!toolTip().isEmpty()) {
      const auto* help = static_cast<QHelpEvent*>(event);
      QToolTip::showText(help->globalPos(), toolTip(), this, rect(), kToolTipDuration);
    }
    return true;
  }
  return QPushButton::event(event);
}

void XpButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void XpButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  const bool pressed = isDown();
  if (pressed) {
    painter.fillRect(frame, olive::kButtonPressed);
    painter.setPen(olive::kButtonPressedBorder);
    painter.drawRect(frame);
  } else if (underMouse() && isEnabled()) {
    painter.fillRect(frame, olive::kButtonHover);
    painter.setPen(olive::kButtonHoverBorder);
    painter.drawRect(frame);
  } else if (hasFocus()) {
    // The hot frame without its fill: Enter's target stays visible, and apart from a button
    // under the pointer.
    painter.setPen(olive::kButtonHoverBorder);
    painter.drawRect(frame);
  }

  // A pressed button's content moves by one pixel, as if pushed in.
  const QPoint shift = pressed ? QPoint(1, 1) : QPoint(0, 0);
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  icon().paint(&painter, PictureRect().translated(shift), Qt::AlignCenter, mode);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(CaptionRect().translated(shift), Qt::AlignHCenter | Qt::AlignTop, text());
}

}  // namespace harnlode
