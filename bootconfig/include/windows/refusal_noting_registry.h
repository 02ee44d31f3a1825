// A registry store that passes every operation to another and notes whether the current run was
// refused access (ERROR_ACCESS_DENIED), so that a failure can be told with its likely cause.
#pragma once

#include <string>

#include "registry_store.h"

namespace harnlode {

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

}  // namespace harnlode
