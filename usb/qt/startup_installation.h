// The Windows system that the window works on: the installation in the folder on the command line,
// or the one the user chooses among the mounted installations. Failures are shown in the error box.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "target_system.h"

namespace harnlode {

struct StartupInstallation {
  std::unique_ptr<TargetSystem> system;  // null when the program is to end
  std::filesystem::path folder;          // the installation's folder
  int exit_status = 0;                   // with no system: kNoInstallation or kCancelled
};

constexpr int kCancelled = 1;
constexpr int kNoInstallation = 2;

// Asks the user for the folder; nothing when the user cancels.
using AskForInstallation = std::function<std::optional<std::filesystem::path>()>;

// `arguments` are the program's command line, its name first. An installation that the user chose
// and that cannot be opened is told, and the user asked again; without `ask`, the user chooses
// among this process's mounted installations.
StartupInstallation OpenStartupInstallation(const QStringList& arguments, const QString& title,
                                            const AskForInstallation& ask = {});

}  // namespace harnlode
