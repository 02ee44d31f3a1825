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

  // An accessor announces itself for its lifetime. A store that works on a copy of the registry
  // reads it afresh when the first accessor arrives and writes it back once the last one leaves,
  // so that a run of accessors costs one read and at most one write.
  virtual void AccessorCreated() {}
  virtual void AccessorFreed() {}

  // Tells the store that the run under way (or the next one) means to change the registry, so
  // that a store working on a copy may read it ready for changes at once instead of reading it
  // again at the first change. Changes may be made without it; they then cost that second read.
  virtual void ExpectChanges() {}
};

}  // namespace harnlode
