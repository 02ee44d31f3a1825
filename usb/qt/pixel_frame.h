// A frame one pixel wide, drawn as four filled edges: at a fractional scale factor each edge still
// covers a device pixel, where the outline of a drawn rectangle can fall between pixels and lose
// its top or left edge.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace harnlode {

// Along the inside of `area`.
inline void FillPixelFrame(QPainter& painter, const QRect& area, const QColor& colour) {
  painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), colour);
  painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), colour);
  painter.fillRect(QRect(area.left(), area.top() + 1, 1, area.height() - 2), colour);
  painter.fillRect(QRect(area.right(), area.top() + 1, 1, area.height() - 2), colour);
}

}  // namespace harnlode
