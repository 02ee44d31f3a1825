#include "startup_installation.h"

#include <iostream>
#include <string>

#include "error_box.h"
#include "installation_chooser.h"
#include "offline/mounted_installations.h"
#include "program_options.h"
#include "report_text.h"

namespace harnlode {
namespace {

// The usage: PROGRAM [WINDOWS_FOLDER] and what the folder is, without a line break at its end.
std::string Usage(const std::string& program) {
  return "Usage: " + program +
         " [WINDOWS_FOLDER]\n"
         "Opens the window on the Windows installation mounted at WINDOWS_FOLDER, the folder that\n"
         "stands for its drive c: (for example /mnt/windows). Without it, the program lets you\n"
         "choose among the mounted installations.";
}

constexpr const char* kExitStatusHelp =
    "\n"
    "Exit status: 0 when the window is closed, 1 when the choice is cancelled, 2 when\n"
    "the command line or the folder given on it is wrong (an error box says why).\n";

std::string ProgramName(const std::vector<std::string>& arguments) {
  return arguments.empty() ? "harnlode" : arguments[0];
}

ProgramArguments ReadWindowArguments(const std::vector<std::string>& arguments) {
  return ReadProgramArguments(
      arguments.empty() ? arguments
                        : std::vector<std::string>(arguments.begin() + 1, arguments.end()));
}

std::optional<std::filesystem::path> ChooseMountedInstallation() {
  InstallationChooser chooser(MountedWindowsInstallations(ReadMountTable()));
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenFolder().empty()) return std::nullopt;
  return chooser.ChosenFolder();
}

}  // namespace

std::optional<std::string> CommandLineAnswer(const std::vector<std::string>& arguments) {
  switch (ReadWindowArguments(arguments).answer) {
    case ProgramArguments::Answer::kHelp:
      return Usage(ProgramName(arguments)) + "\n\n" + kAnswerOptionsHelp + kExitStatusHelp;
    case ProgramArguments::Answer::kVersion:
      return VersionLine("harnlode");
    case ProgramArguments::Answer::kNone:
      break;
  }
  return std::nullopt;
}

StartupInstallation OpenStartupInstallation(const QStringList& arguments, const QString& title,
                                            const AskForInstallation& ask) {
  std::vector<std::string> command_line;
  for (const QString& argument : arguments) command_line.push_back(argument.toStdString());
  const std::string program = ProgramName(command_line);
  // --help and --version are answered before the application starts; they come here only after
  // options of Qt's own, which the application has taken off the command line.
  if (const std::optional<std::string> answer = CommandLineAnswer(command_line)) {
    std::cout << *answer;
    return {nullptr, {}, 0};
  }
  const ProgramArguments read = ReadWindowArguments(command_line);
  if (!read.unknown_option.empty() || read.operands.size() > 1) {
    ShowErrorBox(title, QString::fromStdString(WithClosingPeriod(Usage(program))));
    return {nullptr, {}, kNoInstallation};
  }
  const bool chosen_by_user = read.operands.empty();
  while (true) {
    const std::optional<std::filesystem::path> folder =
        chosen_by_user ? (ask ? ask() : ChooseMountedInstallation())
                       : std::filesystem::path(read.operands[0]);
    if (!folder) return {nullptr, {}, kCancelled};
    try {
      return {TargetFromCommandLine(program, {folder->string()}).system, *folder, 0};
    } catch (const std::exception& failure) {
      ShowErrorBox(title, QString::fromStdString(ErrorBoxText(ReportOfFailure(failure))));
      if (!chosen_by_user) return {nullptr, {}, kNoInstallation};
    }
  }
}

}  // namespace harnlode
