#include "command_line_target.h"
#include "startup_installation.h"

namespace harnlode {

// The window takes no command line here: it works on the running system.
StartupInstallation OpenStartupInstallation(const QStringList& arguments, const QString&,
                                            const AskForInstallation&) {
  const std::string program = arguments.isEmpty() ? "harnlode" : arguments[0].toStdString();
  return {TargetFromCommandLine(program, {}).system, {}, 0};
}

}  // namespace harnlode
