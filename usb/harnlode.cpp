// harnlode: the window program.
// On Windows it works on the running system and takes no command line. Elsewhere:
//   harnlode [WINDOWS_FOLDER]
// WINDOWS_FOLDER is where the Windows installation to work on is mounted: the folder that stands
// for its drive c:. Without it the program looks for the one mounted Windows installation.
#include <memory>

#include "harnlode_application.h"
#include "startup_show.h"
#include "usb.h"

#ifndef _WIN32
#include <QStringList>
#include <fstream>
#include <string>
#include <vector>

#include "error_box.h"
#include "failure_text.h"
#include "installation_choice.h"
#include "offline/offline_system.h"
#include "target_system.h"
#endif

namespace {

#ifndef _WIN32
constexpr int kNoInstallation = 2;

// The installation that the command line names or the one that is mounted; null, having told
// the user why, when there is none to work on.
std::unique_ptr<harnlode::OfflineSystem> OpenInstallation(
    const harnlode::HarnlodeApplication& application) {
  std::vector<std::string> arguments;
  for (const QString& argument : application.arguments().mid(1)) {
    arguments.push_back(argument.toStdString());
  }
  std::ifstream mountinfo("/proc/self/mountinfo");
  const harnlode::InstallationChoice choice = harnlode::ChooseInstallation(arguments, mountinfo);
  if (choice.folder.empty()) {
    harnlode::ShowErrorBox(application.Title(), QString::fromStdString(choice.problem));
    return nullptr;
  }
  try {
    return std::make_unique<harnlode::OfflineSystem>(choice.folder);
  } catch (const std::exception& failure) {
    harnlode::ShowErrorBox(application.Title(),
                           QString::fromStdString(harnlode::ErrorBoxText(failure)));
    return nullptr;
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  harnlode::HarnlodeApplication application(argc, argv);
#ifndef _WIN32
  const std::unique_ptr<harnlode::OfflineSystem> installation = OpenInstallation(application);
  if (!installation) return kNoInstallation;
  harnlode::UseTargetSystem use_installation(*installation);
#endif

  harnlode::TForm1 form;
  harnlode::ShowAsLaunched(form);
  application.exec();
  return 0;
}
