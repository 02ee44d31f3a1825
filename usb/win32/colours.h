// The form's colours as GDI takes them.
#pragma once

#include <windows.h>

#include "usb_form.h"

namespace harnlode::win32 {

inline COLORREF Colour(form::Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

inline int SystemColourIndex(form::SystemColour colour) {
  switch (colour) {
    case form::SystemColour::ButtonFace:
      return COLOR_BTNFACE;
    case form::SystemColour::Window:
      return COLOR_WINDOW;
    case form::SystemColour::ButtonText:
      return COLOR_BTNTEXT;
  }
  return COLOR_WINDOW;
}

inline COLORREF Colour(form::SystemColour colour) { return GetSysColor(SystemColourIndex(colour)); }

// Fills with one colour, through the device context's own brush.
inline void Fill(HDC dc, const RECT& area, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace harnlode::win32
