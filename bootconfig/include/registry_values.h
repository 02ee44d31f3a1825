// Values read where they may well be missing, straight from a registry store below
// HKEY_LOCAL_MACHINE: nothing when the key or value is missing, of another type, or cannot be
// read for want of rights. Only the store's own failures (a damaged hive) are thrown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "registry_api.h"
#include "registry_store.h"

namespace harnlode {

class RegistryValues {
 public:
  // `extra_access` is added to the read rights asked for, such as a registry view.
  explicit RegistryValues(RegistryStore& store, RegAccess extra_access = 0)
      : store_(store), access_(kKeyRead | extra_access) {}

  bool KeyExists(const std::string& key);
  std::optional<std::uint32_t> Dword(const std::string& key, const std::string& name);
  // Text up to its first NUL, of REG_SZ or REG_EXPAND_SZ (not expanded).
  std::optional<std::string> Text(const std::string& key, const std::string& name);

 private:
  struct Raw {
    RegType type = kRegNone;
    std::string data;
  };
  std::optional<Raw> Read(const std::string& key, const std::string& name);

  RegistryStore& store_;
  RegAccess access_;
};

}  // namespace harnlode
