// The running system's registry through the platform API, ANSI form. The program's manifest makes
// UTF-8 the process code page, so 8-bit text is UTF-8 here as on every other platform.
// A 32-bit program on 64-bit Windows needs no 64-bit view of the registry here: of
// HKEY_LOCAL_MACHINE, only SOFTWARE is kept apart for 32-bit programs, while SYSTEM, where the
// services are, is one key tree for both.
#pragma once

#include "registry_store.h"

namespace harnlode {

class Win32Registry final : public RegistryStore {
 public:
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
};

}  // namespace harnlode
