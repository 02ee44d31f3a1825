#include "xp_button.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include "form_painting.h"
#include "form_qt.h"
#include "readable_text.h"

namespace harnlode {

XpButton::XpButton(QWidget* parent) : QPushButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFlat(true);
  setFocusPolicy(Qt::StrongFocus);
}

form::ButtonContent XpButton::Content(const form::ButtonLook& look) const {
  return form::LayOutButton({width(), height()}, fontMetrics().height(), look);
}

QRect XpButton::PictureRect() const { return ToQRect(Content(form::LookOf({})).picture); }

QRect XpButton::CaptionRect() const { return ToQRect(Content(form::LookOf({})).caption); }

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
  const form::ButtonLook look = form::LookOf(
      {.pressed = isDown(), .hot = underMouse(), .focused = hasFocus(), .enabled = isEnabled()});
  // The page's colours: flat, the button shows the page it stands on.
  const QPalette& page = parentWidget() ? parentWidget()->palette() : palette();
  PaintDrawing(painter, form::DrawButton({width(), height()}, look), page);

  const form::ButtonContent content = Content(look);
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  icon().paint(&painter, ToQRect(content.picture), Qt::AlignCenter, mode);
  const QColor text_colour =
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
  painter.setPen(ReadableTextColour(ToQColor(look.background, page), text_colour));
  painter.drawText(ToQRect(content.caption), Qt::AlignHCenter | Qt::AlignTop, text());
}

}  // namespace harnlode
