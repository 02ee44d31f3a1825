// bare-window: a plain Qt 6 window of the main window's size, shown and painted once; the floor for
// the start-up of the Harnlode window.
#include <QApplication>
#include <QWidget>

#include "first_paint.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(605, 441);  // the main window's size
  harnlode::bench::QuitAfterFirstPaint(window);
  window.show();
  return application.exec();
}
