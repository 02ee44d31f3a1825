#include "form_painting.h"

#include <QLinearGradient>

#include "form_qt.h"

namespace harnlode {

void PaintDrawing(QPainter& painter, const form::Drawing& drawing, const QPalette& palette) {
  for (const form::Shape& shape : drawing) {
    if (const auto* fill = std::get_if<form::Fill>(&shape)) {
      painter.fillRect(ToQRect(fill->area), ToQColor(fill->colour, palette));
      continue;
    }
    const auto& blend = std::get<form::TopToBottom>(shape);
    const QRect area = ToQRect(blend.area);
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, ToQColor(blend.top));
    gradient.setColorAt(1, ToQColor(blend.bottom));
    painter.fillRect(area, gradient);
  }
}

}  // namespace harnlode
