#include "offline/offline_system.h"

#include <optional>

#include "installation_error.h"
#include "offline/installation_path.h"
#include "offline/offline_registry.h"
#include "offline/windows_names.h"
#include "offline/write_refusal.h"

namespace harnlode {
namespace {

constexpr std::string_view kSystemDrive = "c:\\";
constexpr std::string_view kGiveTheFolder =
    "Give the folder where the Windows volume is mounted, the one that holds the Windows folder.";

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

}  // namespace

std::filesystem::path OfflineSystem::FindSystemHive(const std::filesystem::path& folder) {
  const InstallationPath found = FindInInstallation(folder, kSystemHive);
  const std::string hive = Quoted(folder / kSystemHive);
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
  return found.path;
}

OfflineSystem::OfflineSystem(std::filesystem::path windows_folder)
    : folder_(std::move(windows_folder)) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder_, error)) {
    throw EInstallationError("The folder " + Quoted(folder_) + " does not exist. " +
                             std::string(kGiveTheFolder));
  }
  FindSystemHive(folder_);  // so that a folder without a usable hive is refused at once
  registry_ = std::make_unique<OfflineRegistry>(folder_);
}

OfflineSystem::~OfflineSystem() = default;

RegistryStore& OfflineSystem::Registry() { return *registry_; }

std::uint64_t OfflineSystem::HiveWriteBacks() const { return registry_->WriteBacks(); }

std::string OfflineSystem::WriteRefusalExplanation() {
  const std::optional<WriteRefusal>& refusal = registry_->LastWriteRefusal();
  if (!refusal) return {};
  try {
    return ExplainWriteRefusal(folder_, *refusal);
  } catch (const std::exception&) {
    return {};  // the failure is told without an explanation rather than not at all
  }
}

bool OfflineSystem::IsFile(const std::string& windows_path) {
  // Drive c: is the installation's folder; no other drive exists here.
  if (!SameNameIgnoringCase(std::string_view(windows_path).substr(0, kSystemDrive.size()),
                            kSystemDrive)) {
    return false;
  }
  const InstallationPath found =
      FindInInstallation(folder_, std::string_view(windows_path).substr(kSystemDrive.size()));
  std::error_code error;
  return found.status == InstallationPath::Status::kFound &&
         !std::filesystem::is_directory(found.path, error) && !error;
}

}  // namespace harnlode
