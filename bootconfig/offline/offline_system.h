// A Windows installation that is not running: the folder where its system volume is mounted
// stands for drive c:, and its SYSTEM hive file is HKEY_LOCAL_MACHINE\SYSTEM.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "target_system.h"

namespace harnlode {

class OfflineRegistry;

class OfflineSystem final : public TargetSystem {
 public:
  // The hive file below the folder, as Windows keeps it.
  static constexpr std::string_view kSystemHive = "Windows/System32/config/SYSTEM";

  // The SYSTEM hive file of the installation in `folder`, every link resolved. Throws
  // EInstallationError when there is none, or a link leads out of the folder to it.
  static std::filesystem::path FindSystemHive(const std::filesystem::path& folder);

  // Throws EInstallationError when the folder does not exist or holds no usable SYSTEM hive.
  explicit OfflineSystem(std::filesystem::path windows_folder);
  ~OfflineSystem() override;

  RegistryStore& Registry() override;
  bool IsFile(const std::string& windows_path) override;
  std::string WriteRefusalExplanation() override;

  const std::filesystem::path& Folder() const { return folder_; }
  // How often runs on this system replaced its SYSTEM hive with changed content.
  std::uint64_t HiveWriteBacks() const;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<OfflineRegistry> registry_;
};

}  // namespace harnlode
