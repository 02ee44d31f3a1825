// harnlode: the window program on Linux.
//   harnlode [WINDOWS_FOLDER]     (or --help, --version)
// WINDOWS_FOLDER is where the Windows installation to work on is mounted: the folder that stands
// for its drive c:. Without it the user chooses among the mounted Windows installations.
#include <iostream>

#include "harnlode_application.h"
#include "startup_installation.h"
#include "startup_show.h"
#include "taskbar_entry.h"
#include "usb.h"

int main(int argc, char** argv) {
  // Answered on the terminal, before anything needs a display.
  if (const auto answer = harnlode::CommandLineAnswer({argv, argv + argc})) {
    std::cout << *answer;
    return 0;
  }
  harnlode::HarnlodeApplication application(argc, argv);
  const harnlode::StartupInstallation installation =
      harnlode::OpenStartupInstallation(application.arguments(), application.Title());
  if (!installation.system) return installation.exit_status;

  harnlode::TForm1 form(*installation.system);
  if (!installation.folder.empty()) {
    form.ShowInstallation(QString::fromStdString(installation.folder.string()));
  }
  harnlode::ShowInTaskbarAs(form, application.Title());
  harnlode::ShowAsLaunched(form);
  application.exec();
  return 0;
}
