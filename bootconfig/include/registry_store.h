// The six registry operations that every registry access goes through. Each store, the live
// platform registry or an offline hive, keeps the platform's semantics (ANSI form): status codes,
// size queries without a buffer, "more data" with the needed size, text converted to 8-bit.
#pragma once

#include <cstdint>
#include <string>

#include "registry_api.h"

namespace harnlode {

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual RegStatus OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                            RegKey* result) = 0;
  virtual RegStatus CreateKey(RegKey parent, const std::string& subkey, RegAccess access,
                              RegKey* result) = 0;
  // `data` may be null for a size query; `type` may be null. `size` holds the buffer's size on
  // entry and the data's size on return.
  virtual RegStatus QueryValue(RegKey key, const std::string& name, RegType* type,
                               std::uint8_t* data, std::uint32_t* size) = 0;
  virtual RegStatus SetValue(RegKey key, const std::string& name, RegType type,
                             const std::uint8_t* data, std::uint32_t size) = 0;
  virtual RegStatus FlushKey(RegKey key) = 0;
  virtual RegStatus CloseKey(RegKey key) = 0;

  // A run of the check (RegistryRun) begins, meaning to change the registry or not, and ends. A
  // store that works on a copy reads it afresh for the run and writes back at its end what the
  // run changed, throwing when that fails: a run costs one read and at most one write.
  virtual void BeginRun([[maybe_unused]] bool changes) {}
  virtual void EndRun() {}
};

}  // namespace harnlode
