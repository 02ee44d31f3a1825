#include "screen_scale.h"

#include <windows.h>

#include "usb_form.h"

namespace harnlode::win32 {

int ScreenDotsPerInch() {
  static const int dots_per_inch = [] {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : form::kDesignDotsPerInch;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : form::kDesignDotsPerInch;
  }();
  return dots_per_inch;
}

int Scaled(int design_pixels) {
  return MulDiv(design_pixels, ScreenDotsPerInch(), form::kDesignDotsPerInch);
}

}  // namespace harnlode::win32
