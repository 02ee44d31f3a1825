// window-startup WINDOWS_FOLDER: starts the Harnlode window on the installation as the program
// does and ends after its first paint, to time the start-up as a whole process.
#include <iostream>

#include "first_paint.h"
#include "harnlode_application.h"
#include "offline/offline_system.h"
#include "startup_show.h"
#include "usb.h"

int main(int argc, char** argv) {
  harnlode::HarnlodeApplication application(argc, argv);
  if (argc != 2) {
    std::cerr << "Usage: window-startup WINDOWS_FOLDER\n";
    return 2;
  }
  harnlode::OfflineSystem installation(argv[1]);
  harnlode::TForm1 form(installation);
  harnlode::bench::QuitAfterFirstPaint(form);
  harnlode::ShowAsLaunched(form);
  return application.exec();
}
