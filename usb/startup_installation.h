// The Windows installation that the program works on: the folder on the command line, or the one
// the user chooses among the mounted installations. Failures are shown in the error box.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "offline/offline_system.h"

namespace harnlode {

struct StartupInstallation {
  std::unique_ptr<OfflineSystem> system;  // null when the program is to end
  int exit_status = 0;                    // with no system: kNoInstallation or kCancelled
};

constexpr int kCancelled = 1;
constexpr int kNoInstallation = 2;

// Asks the user for the folder; nothing when the user cancels.
using AskForInstallation = std::function<std::optional<std::filesystem::path>()>;

// The chooser on this process's mounted installations.
std::optional<std::filesystem::path> ChooseMountedInstallation();

// `arguments` are the program's command line, its name first. An installation that the user chose
// and that cannot be opened is told, and the user asked again.
StartupInstallation OpenStartupInstallation(
    const QStringList& arguments, const QString& title,
    const AskForInstallation& ask = ChooseMountedInstallation);

}  // namespace harnlode
