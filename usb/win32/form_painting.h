// The form's drawings (form_drawing.h) filled with GDI.
#pragma once

#include <windows.h>

#include "form_drawing.h"

namespace harnlode::win32 {

COLORREF Colour(const form::Paint& paint);
form::Rgb ToRgb(COLORREF colour);

// Each shape in turn, its coordinates counted from `origin`.
void PaintDrawing(HDC dc, const form::Drawing& drawing, POINT origin = {0, 0});

}  // namespace harnlode::win32
