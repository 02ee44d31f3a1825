// The form's sizes are given at 96 dots per inch; the window shows them at the screen's
// resolution, which the program reads once (its manifest makes it aware of the system's setting).
#pragma once

namespace harnlode::win32 {

int ScreenDotsPerInch();

// A length of the form, in the screen's pixels.
int Scaled(int design_pixels);

}  // namespace harnlode::win32
