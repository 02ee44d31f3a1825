#include "startup_installation.h"

#include <string>
#include <vector>

#include "command_line_target.h"
#include "error_box.h"
#include "failure_text.h"
#include "installation_choice.h"
#include "installation_chooser.h"
#include "mounted_installations.h"

namespace harnlode {
namespace {

std::optional<std::filesystem::path> ChooseMountedInstallation() {
  InstallationChooser chooser(MountedWindowsInstallations(ReadMountTable()));
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenFolder().empty()) return std::nullopt;
  return chooser.ChosenFolder();
}

}  // namespace

StartupInstallation OpenStartupInstallation(const QStringList& arguments, const QString& title,
                                            const AskForInstallation& ask) {
  std::vector<std::string> after_program;
  for (const QString& argument : arguments.mid(1)) after_program.push_back(argument.toStdString());
  const std::string program = arguments.isEmpty() ? "harnlode" : arguments[0].toStdString();
  const InstallationChoice choice = InstallationFromCommandLine(program, after_program);
  if (!choice.problem.empty()) {
    ShowErrorBox(title, QString::fromStdString(WithClosingPeriod(choice.problem)));
    return {nullptr, {}, kNoInstallation};
  }
  const bool chosen_by_user = choice.folder.empty();
  while (true) {
    std::filesystem::path folder = choice.folder;
    if (chosen_by_user) {
      const std::optional<std::filesystem::path> asked = ask ? ask() : ChooseMountedInstallation();
      if (!asked) return {nullptr, {}, kCancelled};
      folder = *asked;
    }
    try {
      CommandLineTarget target = TargetFromCommandLine(program, {folder.string()});
      return {std::move(target.system), std::move(target.folder), 0};
    } catch (const std::exception& failure) {
      ShowErrorBox(title, QString::fromStdString(ErrorBoxText(failure)));
      if (!chosen_by_user) return {nullptr, {}, kNoInstallation};
    }
  }
}

}  // namespace harnlode
