// The running system, as the window works on it: the live registry, which notes whether the
// latest run was refused access, so that the error box can say why after the message.
#pragma once

#include <string>

#include "target_system.h"
#include "windows/live_system.h"

namespace harnlode::win32 {

// Passes every operation to the live registry and notes a refusal of access (ERROR_ACCESS_DENIED)
// in the current run.
class RefusalNotingRegistry final : public RegistryStore {
 public:
  explicit RefusalNotingRegistry(RegistryStore& registry) : registry_(registry) {}

  bool Refused() const { return refused_; }

  RegStatus OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                    RegKey* result) override;
  RegStatus CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                      RegKey* result) override;
  RegStatus QueryValue(RegKey key, const std::string& name, RegType* type, std::uint8_t* data,
                       std::uint32_t* size) override;
  RegStatus SetValue(RegKey key, const std::string& name, RegType type, const std::uint8_t* data,
                     std::uint32_t size) override;
  RegStatus FlushKey(RegKey key) override;
  RegStatus CloseKey(RegKey key) override;
  void BeginRun(bool changes) override;
  void EndRun() override { registry_.EndRun(); }

 private:
  RegStatus Noted(RegStatus status);

  RegistryStore& registry_;
  bool refused_ = false;
};

class LiveTarget final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return registry_; }
  bool IsFile(const std::string& windows_path) override { return system_.IsFile(windows_path); }
  WindowsVersion Version() override { return system_.Version(); }
  std::string ConsoleCommand(const std::string& options) override {
    return system_.ConsoleCommand(options);
  }
  // Whether the program lacks administrator rights, or the keys are kept even from them.
  std::string WriteRefusalExplanation() override;

 private:
  LiveSystem system_;
  RefusalNotingRegistry registry_{system_.Registry()};
};

}  // namespace harnlode::win32
