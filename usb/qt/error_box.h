// The error box: a critical message box with the application's title as its caption, owned by the
// active window. Other windows take no input while it is up.
#pragma once

#include <QString>

namespace harnlode {

// Releases any mouse or keyboard grab first, so that no widget waits for a release that the box
// swallows; afterwards gives the focus back to the window that had it.
void ShowErrorBox(const QString& title, const QString& text);

}  // namespace harnlode
