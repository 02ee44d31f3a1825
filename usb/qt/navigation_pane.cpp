#include "navigation_pane.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QToolTip>

#include "form_qt.h"
#include "olive_theme.h"
#include "pixel_frame.h"
#include "readable_text.h"

namespace harnlode {
namespace {

void FillTopToBottom(QPainter& painter, const QRect& area, const QColor& top,
                     const QColor& bottom) {
  QLinearGradient fill(area.topLeft(), area.bottomLeft());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  painter.fillRect(area, fill);
}

}  // namespace

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

  FillPixelFrame(painter, rect(), olive::kFrame);

  const QRect splitter = SplitterRect();
  FillTopToBottom(painter, splitter, olive::kSplitterTop, olive::kSplitterBottom);
  // A row of grip dots in the middle says that the bar is a splitter.
  const int first_dot = splitter.center().x() - (form::kGripDots * form::kGripPitch) / 2;
  const int dot_top = splitter.top() + form::kGripTop;
  constexpr int kDot = form::kGripDotSize;
  for (int i = 0; i < form::kGripDots; ++i) {
    const int x = first_dot + i * form::kGripPitch;
    painter.fillRect(x + 1, dot_top + 1, kDot, kDot, olive::kGripLight);
    painter.fillRect(x, dot_top, kDot, kDot, olive::kGripDark);
  }

  const QRect strip = StripRect();
  FillTopToBottom(painter, strip, olive::kStripTop, olive::kStripBottom);
  painter.setPen(olive::kFrame);
  painter.drawLine(strip.topLeft(), strip.topRight());

  // The active page's selector, pressed: warm fill, dark edge at top and left.
  const QRect selector = SelectorRect().adjusted(0, 1, 0, 0);
  FillTopToBottom(painter, selector, olive::kSelectedTop, olive::kSelectedBottom);
  painter.setPen(olive::kSelectedBorder);
  painter.drawLine(selector.topLeft(), selector.topRight());
  painter.drawLine(selector.topLeft(), selector.bottomLeft());

  if (!strip_text_.isEmpty()) {
    // On the strip's pale fill, whatever the desktop's text colour: readable on its darker end.
    painter.setPen(ReadableTextColour(olive::kStripBottom, palette().color(QPalette::WindowText)));
    painter.drawText(StripTextRect(), Qt::AlignLeft | Qt::AlignVCenter, ShownStripText());
  }
}

}  // namespace harnlode
