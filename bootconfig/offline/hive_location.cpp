#include "offline/hive_location.h"

#include <string>

#include "installation_error.h"
#include "offline/installation_path.h"
#include "offline/interrupted_rename.h"

namespace harnlode {
namespace {

constexpr std::string_view kGiveTheFolder =
    "Give the folder where the Windows volume is mounted, the one that holds the Windows folder.";

std::filesystem::path FindLog(const HiveLocation& location, const char* suffix) {
  const InstallationPath found = FindInInstallation(location.folder, location.relative + suffix);
  return found.status == InstallationPath::Status::kFound ? found.path : std::filesystem::path();
}

}  // namespace

HiveLocation LocateSystemHive(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw EInstallationError("The folder " + Quoted(folder) + " does not exist. " +
                             std::string(kGiveTheFolder));
  }
  InstallationPath found = FindInInstallation(folder, kSystemHivePath);
  if (found.status == InstallationPath::Status::kMissing) {
    // Perhaps a save was cut short in the middle of its rename; the old hive then is still there.
    const std::filesystem::path hive_path(kSystemHivePath);
    const InstallationPath config = FindInInstallation(folder, hive_path.parent_path().string());
    if (config.status == InstallationPath::Status::kFound &&
        RestoreAfterInterruptedRename(folder, config.path, hive_path.filename().string())) {
      found = FindInInstallation(folder, kSystemHivePath);
    }
  }
  const std::string hive = Quoted(folder / kSystemHivePath);
  if (found.status == InstallationPath::Status::kOutside) {
    throw EInstallationError(
        "The registry hive " + hive + " is reached through a link that leads outside the folder " +
        Quoted(folder) + ", so Harnlode does not use it. " + std::string(kGiveTheFolder));
  }
  if (found.status == InstallationPath::Status::kMissing) {
    throw EInstallationError("The folder " + Quoted(folder) +
                             " holds no Windows installation: there is no registry hive at " +
                             hive + ". " + std::string(kGiveTheFolder));
  }
  return {folder, found.path, std::string(kSystemHivePath)};
}

HiveLogPaths HiveLocation::Logs() const {
  return {FindLog(*this, ".LOG"), FindLog(*this, ".LOG1"), FindLog(*this, ".LOG2")};
}

}  // namespace harnlode
