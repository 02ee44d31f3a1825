// A Windows installation that is not running: the folder where its system volume is mounted
// stands for drive c:, and its SYSTEM hive file is HKEY_LOCAL_MACHINE\SYSTEM.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "target_system.h"

namespace harnlode {

class OfflineRegistry;

class OfflineSystem final : public TargetSystem {
 public:
  // Throws EInstallationError when the folder does not exist or holds no usable SYSTEM hive.
  explicit OfflineSystem(std::filesystem::path windows_folder);
  ~OfflineSystem() override;

  RegistryStore& Registry() override;
  bool IsFile(const std::string& windows_path) override;
  std::string WriteRefusalExplanation() override;
  std::vector<std::string> Notes() override;
  WindowsVersion Version() override;
  // With the folder, quoted for a POSIX shell where it needs to be.
  std::string ConsoleCommand(const std::string& options) override;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<OfflineRegistry> registry_;
};

}  // namespace harnlode
