// Ends the application once a window has been painted for the first time, so that a start-up can
// be timed as a whole process from its start to its first paint.
#pragma once

class QWidget;

namespace harnlode::bench {

// The application's event loop ends right after the window's first paint event.
void QuitAfterFirstPaint(QWidget& window);

}  // namespace harnlode::bench
