// A navigation pane with a single page: inside a 1-pixel frame, the page area, a 7-pixel splitter
// bar and a 28-pixel strip that holds the page's selector at its right end, drawn pressed because
// its page is the active one. No header, no caption.
#pragma once

#include <QWidget>

#include "usb_form.h"

namespace harnlode {

// The page of a navigation pane: the area for its content, in the window colour.
class NavigationPage : public QWidget {
  Q_OBJECT
 public:
  explicit NavigationPage(QWidget* parent = nullptr);
};

class NavigationPane : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFrameWidth = form::kPaneFrameWidth;
  static constexpr int kSplitterHeight = form::kSplitterHeight;
  static constexpr int kStripHeight = form::kStripHeight;
  static constexpr int kSelectorWidth = form::kSelectorWidth;

  using QWidget::QWidget;

  // Where the page goes: all that the frame, splitter and strip leave.
  QRect PageRect() const;
  QRect SplitterRect() const;
  QRect StripRect() const;
  QRect SelectorRect() const;

  // The tooltip shown over the strip only; none when empty.
  void SetStripToolTip(const QString& text) { strip_tool_tip_ = text; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlacePages();

  QString strip_tool_tip_;
};

}  // namespace harnlode
