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
  using QWidget::QWidget;

  // Where the page goes: all that the frame, splitter and strip leave.
  QRect PageRect() const;
  QRect SplitterRect() const;
  QRect StripRect() const;
  QRect SelectorRect() const;

  // The strip's text, drawn in its free space left of the selector and elided in the middle
  // when it is too long for it, and shown whole as the strip's tooltip; none when empty.
  void SetStripText(const QString& text);
  // Where the text goes, and the text as it fits there.
  QRect StripTextRect() const;
  QString ShownStripText() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  form::PaneLayout Layout() const;
  void PlacePages();

  QString strip_text_;
};

}  // namespace harnlode
