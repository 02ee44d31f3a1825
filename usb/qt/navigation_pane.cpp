#include "navigation_pane.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QToolTip>

#include "form_qt.h"
#include "olive_theme.h"

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

QRect NavigationPane::PageRect() const {
  const int inner_width = width() - 2 * kFrameWidth;
  const int page_height = height() - 2 * kFrameWidth - kSplitterHeight - kStripHeight;
  return {kFrameWidth, kFrameWidth, qMax(0, inner_width), qMax(0, page_height)};
}

QRect NavigationPane::SplitterRect() const {
  const QRect page = PageRect();
  return {page.left(), page.bottom() + 1, page.width(), kSplitterHeight};
}

QRect NavigationPane::StripRect() const {
  const QRect splitter = SplitterRect();
  return {splitter.left(), splitter.bottom() + 1, splitter.width(), kStripHeight};
}

QRect NavigationPane::SelectorRect() const {
  const QRect strip = StripRect();
  return {strip.right() + 1 - kSelectorWidth, strip.top(), kSelectorWidth, strip.height()};
}

// The page is made by the form after the pane, so it is placed whenever it arrives as well as
// whenever the pane changes size.
bool NavigationPane::event(QEvent* event) {
  if (event->type() == QEvent::ChildPolished) PlacePages();
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (!strip_tool_tip_.isEmpty() && StripRect().contains(help->pos())) {
      QToolTip::showText(help->globalPos(), strip_tool_tip_, this, StripRect());
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

  painter.setPen(olive::kFrame);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

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
}

}  // namespace harnlode
