// A Windows system held in memory: a registry with the platform's conventions, which every store
// keeps, and a set of files. The check's cases run on it without hive files, on every platform.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registry_store.h"
#include "target_system.h"
#include "text_conversion.h"

namespace harnlode::testing {

struct StoredValue {
  RegType type = kRegNone;
  std::vector<std::uint8_t> data;  // as the registry holds it: text in UTF-16LE

  bool operator==(const StoredValue&) const = default;
};

// Text as the registry holds it: UTF-16LE from UTF-8, with a terminating NUL.
inline std::vector<std::uint8_t> StoredText(const std::string& utf8) {
  std::vector<std::uint8_t> data = Utf16leFromEightBit(utf8);
  data.insert(data.end(), {0, 0});
  return data;
}

class MemoryRegistry final : public RegistryStore {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  // Keys are paths below HKEY_LOCAL_MACHINE, such as "SYSTEM\\ControlSet001".
  void AddKey(const std::string& key);
  // Stores a value exactly as given, creating its key.
  void Put(const std::string& key, const std::string& name, RegType type,
           std::vector<std::uint8_t> data);
  std::optional<StoredValue> Get(const std::string& key, const std::string& name) const;
  // Every value, named by its key's path and its own name, in lower case.
  std::map<std::string, StoredValue> Contents() const;
  // While set, the key may be read but not changed, as for a caller without the rights to.
  void SetReadOnly(const std::string& key, bool read_only);

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

 private:
  struct Key;
  struct Handle {
    Key* key;
    RegAccess access;
  };

  // The key a handle or predefined root stands for: null for a root that holds nothing here.
  RegStatus Lookup(RegKey key, Key** found) const;
  RegStatus Walk(Key* from, const std::string& subkey, bool create, Key** found);
  RegStatus NewHandle(Key* key, RegAccess access, RegKey* result);
  Key& MakeKey(const std::string& key);

  std::unique_ptr<Key> machine_;
  std::map<RegKey, Handle> handles_;
  RegKey next_handle_ = 4;
};

class MemorySystem final : public TargetSystem {
 public:
  RegistryStore& Registry() override { return registry_; }
  MemoryRegistry& Memory() { return registry_; }
  bool IsFile(const std::string& windows_path) override;

  // A file at the Windows path; names ignore case, as Windows paths do. Anything else, a folder
  // among them, is not a file.
  void AddFile(const std::string& windows_path);

 private:
  MemoryRegistry registry_;
  std::set<std::string> files_;
};

}  // namespace harnlode::testing
