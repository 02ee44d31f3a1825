#include "navigation_pane.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "form_painting.h"
#include "form_qt.h"
#include "readable_text.h"

namespace harnlode {
NavigationPage::NavigationPage(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(ToColorRole(form::kPageBackground));
}

form::PaneLayout NavigationPane::Layout() const { return form::LayOutPane({width(), height()}); }

QRect NavigationPane::PageRect() const { return ToQRect(Layout().page); }

QRect NavigationPane::SplitterRect() const { return ToQRect(Layout().splitter); }

QRect NavigationPane::StripRect() const { return ToQRect(Layout().strip); }

QRect NavigationPane::SelectorRect() const { return ToQRect(Layout().selector); }

// The text keeps clear of the strip's top line and of the selector by a few pixels.
QRect NavigationPane::StripTextRect() const {
  constexpr int kMargin = 6;
  const QRect strip = StripRect();
  return QRect(QPoint(strip.left() + kMargin, strip.top() + 1),
               QPoint(SelectorRect().left() - 1 - kMargin, strip.bottom()));
}

QString NavigationPane::ShownStripText() const {
  return fontMetrics().elidedText(strip_text_, Qt::ElideMiddle, qMax(0, StripTextRect().width()));
}

void NavigationPane::SetStripText(const QString& text) {
  strip_text_ = text;
  update(StripRect());
}

// The page is made by the form after the pane, so it is placed whenever it arrives as well as
// whenever the pane changes size.
bool NavigationPane::event(QEvent* event) {
  if (event->type() == QEvent::ChildPolished) PlacePages();
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (!strip_text_.isEmpty() && StripRect().contains(help->pos())) {
      QToolTip::showText(help->globalPos(), strip_text_, this, StripRect());
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void NavigationPane::resizeEvent(QResizeEvent* event) {
  PlacePages();
  QWidget::resizeEvent(event);
}

void NavigationPane::PlacePages() {
  for (NavigationPage* page : findChildren<NavigationPage*>(Qt::FindDirectChildrenOnly)) {
    page->setGeometry(PageRect());
  }
}

void NavigationPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintDrawing(painter, form::DrawPane({width(), height()}), palette());
  if (!strip_text_.isEmpty()) {
    // On the strip's pale fill, whatever the desktop's text colour: readable on its darker end.
    painter.setPen(ReadableTextColour(ToQColor(form::olive::kStripBottom),
                                      palette().color(QPalette::WindowText)));
    painter.drawText(StripTextRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownStripText());
  }
}

}  // namespace harnlode
