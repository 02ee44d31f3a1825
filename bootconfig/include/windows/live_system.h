// The Windows system this program runs on: its registry, which notes whether the latest run was
// refused access, so that a failure can be told with why after its message.
#pragma once

#include "target_system.h"
#include "windows/refusal_noting_registry.h"
#include "windows/win32_registry.h"

namespace harnlode {

class LiveSystem final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return registry_; }
  bool IsFile(const std::string& windows_path) override;
  WindowsVersion Version() override;
  std::string ConsoleCommand(const std::string& options) override;
  // Whether the program lacks administrator rights, or the keys are kept even from them.
  std::string WriteRefusalExplanation() override;

 private:
  Win32Registry platform_registry_;
  RefusalNotingRegistry registry_{platform_registry_};
};

}  // namespace harnlode
