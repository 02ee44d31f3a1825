// harnlode: the window program.
// On Windows it works on the running system and takes no command line. Elsewhere:
//   harnlode [WINDOWS_FOLDER]
// WINDOWS_FOLDER is where the Windows installation to work on is mounted: the folder that stands
// for its drive c:. Without it the user chooses among the mounted Windows installations.
#include "harnlode_application.h"
#include "startup_show.h"
#include "taskbar_entry.h"
#include "usb.h"

#ifndef _WIN32
#include "startup_installation.h"
#include "target_system.h"
#endif

int main(int argc, char** argv) {
  harnlode::HarnlodeApplication application(argc, argv);
#ifndef _WIN32
  const harnlode::StartupInstallation installation =
      harnlode::OpenStartupInstallation(application.arguments(), application.Title());
  if (!installation.system) return installation.exit_status;
  harnlode::UseTargetSystem use_installation(*installation.system);
#endif

  harnlode::TForm1 form;
#ifndef _WIN32
  form.ShowInstallation(QString::fromStdString(installation.system->Folder().string()));
#endif
  harnlode::ShowInTaskbarAs(form, application.Title());
  harnlode::ShowAsLaunched(form);
  application.exec();
  return 0;
}
