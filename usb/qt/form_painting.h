// The form's drawings (form_drawing.h) filled with a QPainter.
#pragma once

#include <QPainter>
#include <QPalette>

#include "form_drawing.h"

namespace harnlode {

// Each shape in turn, the desktop's colours as `palette` has them.
void PaintDrawing(QPainter& painter, const form::Drawing& drawing, const QPalette& palette);

}  // namespace harnlode
