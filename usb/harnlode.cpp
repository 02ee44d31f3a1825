// harnlode: the window program.
//   harnlode [WINDOWS_FOLDER]
// WINDOWS_FOLDER is where the Windows installation to work on is mounted: the folder that stands
// for its drive c:. Without it the program looks for the one mounted Windows installation.
#include <QStringList>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "error_box.h"
#include "failure_text.h"
#include "harnlode_application.h"
#include "installation_choice.h"
#include "offline/offline_system.h"
#include "period_rule.h"
#include "target_system.h"
#include "usb.h"

namespace {

constexpr int kNoInstallation = 2;

}  // namespace

int main(int argc, char** argv) {
  harnlode::HarnlodeApplication application(argc, argv);

  std::vector<std::string> arguments;
  for (const QString& argument : application.arguments().mid(1)) {
    arguments.push_back(argument.toStdString());
  }
  std::ifstream mountinfo("/proc/self/mountinfo");
  const harnlode::InstallationChoice choice = harnlode::ChooseInstallation(arguments, mountinfo);
  if (choice.folder.empty()) {
    harnlode::ShowErrorBox(application.Title(), QString::fromStdString(choice.problem));
    return kNoInstallation;
  }

  std::unique_ptr<harnlode::OfflineSystem> system;
  try {
    system = std::make_unique<harnlode::OfflineSystem>(choice.folder);
  } catch (const std::exception& failure) {
    harnlode::ShowErrorBox(
        application.Title(),
        harnlode::WithClosingPeriod(QString::fromStdString(harnlode::FailureText(failure))));
    return kNoInstallation;
  }
  harnlode::UseTargetSystem use_installation(*system);

  harnlode::TForm1 form;
  form.show();
  application.exec();
  return 0;
}
