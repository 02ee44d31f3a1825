#include "offline/offline_system.h"

#include <strings.h>

#include "installation_error.h"
#include "offline/installation_path.h"
#include "offline/offline_registry.h"

namespace harnlode {
namespace {

constexpr std::string_view kSystemDrive = "c:\\";

}  // namespace

OfflineSystem::OfflineSystem(std::filesystem::path windows_folder)
    : folder_(std::move(windows_folder)) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder_, error)) {
    throw EInstallationError("The folder \"" + folder_.string() +
                             "\" does not exist. Give the folder where the Windows volume is "
                             "mounted, the one that holds the Windows folder.");
  }
  if (FindInInstallation(folder_, kSystemHive).status == InstallationPath::Status::kMissing) {
    throw EInstallationError("The folder \"" + folder_.string() +
                             "\" holds no Windows installation: there is no registry hive at \"" +
                             (folder_ / kSystemHive).string() +
                             "\". Give the folder where the Windows volume is mounted, the one "
                             "that holds the Windows folder.");
  }
  registry_ = std::make_unique<OfflineRegistry>(folder_);
}

OfflineSystem::~OfflineSystem() = default;

RegistryStore& OfflineSystem::Registry() { return *registry_; }

bool OfflineSystem::IsFile(const std::string& windows_path) {
  // Drive c: is the installation's folder; no other drive exists here.
  if (windows_path.size() < kSystemDrive.size() ||
      ::strncasecmp(windows_path.c_str(), kSystemDrive.data(), kSystemDrive.size()) != 0) {
    return false;
  }
  const InstallationPath found =
      FindInInstallation(folder_, std::string_view(windows_path).substr(kSystemDrive.size()));
  std::error_code error;
  return found.status == InstallationPath::Status::kFound &&
         !std::filesystem::is_directory(found.path, error) && !error;
}

}  // namespace harnlode
