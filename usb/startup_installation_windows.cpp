#include "startup_installation.h"

namespace harnlode {

// The window takes no command line here: it works on the running system.
StartupInstallation OpenStartupInstallation(const QStringList&, const QString&,
                                            const AskForInstallation&) {
  return {TargetFromCommandLine("harnlode", {}).system, {}, 0};
}

}  // namespace harnlode
