#include "startup_installation.h"

#include <string>

#include "error_box.h"
#include "failure_text.h"
#include "installation_chooser.h"
#include "mounted_installations.h"

namespace harnlode {
namespace {

// The usage, when the command line is not one the program takes: PROGRAM [WINDOWS_FOLDER].
std::string CommandLineProblem(const std::string& program, const QStringList& arguments) {
  if (arguments.size() <= 1 || (arguments.size() == 2 && !arguments[1].startsWith('-'))) return {};
  return "Usage: " + program +
         " [WINDOWS_FOLDER]\n\n"
         "WINDOWS_FOLDER is the folder where the Windows installation is mounted, the folder that "
         "stands for its drive c: (for example /mnt/windows). Without it, the program lets you "
         "choose among the mounted installations.";
}

std::optional<std::filesystem::path> ChooseMountedInstallation() {
  InstallationChooser chooser(MountedWindowsInstallations(ReadMountTable()));
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenFolder().empty()) return std::nullopt;
  return chooser.ChosenFolder();
}

}  // namespace

StartupInstallation OpenStartupInstallation(const QStringList& arguments, const QString& title,
                                            const AskForInstallation& ask) {
  const std::string program = arguments.isEmpty() ? "harnlode" : arguments[0].toStdString();
  if (const std::string problem = CommandLineProblem(program, arguments); !problem.empty()) {
    ShowErrorBox(title, QString::fromStdString(WithClosingPeriod(problem)));
    return {nullptr, {}, kNoInstallation};
  }
  const bool chosen_by_user = arguments.size() <= 1;
  while (true) {
    const std::optional<std::filesystem::path> folder =
        chosen_by_user ? (ask ? ask() : ChooseMountedInstallation())
                       : std::filesystem::path(arguments[1].toStdString());
    if (!folder) return {nullptr, {}, kCancelled};
    try {
      return {TargetFromCommandLine(program, {folder->string()}).system, *folder, 0};
    } catch (const std::exception& failure) {
      ShowErrorBox(title, QString::fromStdString(ErrorBoxText(failure)));
      if (!chosen_by_user) return {nullptr, {}, kNoInstallation};
    }
  }
}

}  // namespace harnlode
