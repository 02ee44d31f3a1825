#include "offline/hive_location.h"

#include <string>

#include "installation_error.h"
#include "offline/installation_path.h"

namespace harnlode {
namespace {

constexpr std::string_view kGiveTheFolder =
    "Give the folder where the Windows volume is mounted, the one that holds the Windows folder.";

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

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
  const InstallationPath found = FindInInstallation(folder, kSystemHivePath);
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
