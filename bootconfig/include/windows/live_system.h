// The Windows system this program runs on.
#pragma once

#include "target_system.h"
#include "windows/win32_registry.h"

namespace harnlode {

class LiveSystem final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return registry_; }
  bool IsFile(const std::string& windows_path) override;
  WindowsVersion Version() override;
  std::string ConsoleCommand(const std::string& options) override;

 private:
  Win32Registry registry_;
};

}  // namespace harnlode
