// TRegistry: one position in the registry, a root key and at most one open key beneath it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "registry_api.h"
#include "registry_store.h"

namespace harnlode {

// A value could not be read or written. Carries its message and nothing else.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  // Works on `store`, such as the store of the run under way (RegistryRun::Registry).
  explicit TRegistry(RegistryStore& store);
  // Closes the open key.
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRoot(RegKey key);
  bool KeyPresent(const std::string& path);
  bool OpenPath(const std::string& path, bool create);
  std::string ReadText(const std::string& name);
  std::int32_t ReadNumber(const std::string& name);
  void WriteText(const std::string& name, const std::string& value);
  void WriteNumber(const std::string& name, std::int32_t value);
  void CloseCurrent();

  RegKey CurrentKey() const { return current_key_; }
  RegKey RootKey() const { return root_key_; }
  const std::string& CurrentPath() const { return current_path_; }
  bool LazyWrite() const { return lazy_write_; }
  void SetLazyWrite(bool lazy) { lazy_write_ = lazy; }
  RegAccess AccessMask() const { return access_mask_; }
  void SetAccessMask(RegAccess mask) { access_mask_ = mask; }

 private:
  // Where a path leads: the key it starts from, the path below it, and whether that key is the
  // open one.
  struct Resolved {
    RegKey base;
    std::string subkey;
    bool below_current;
  };
  Resolved Resolve(const std::string& path) const;

  RegistryStore& store_;
  RegKey current_key_ = kNoKey;
  RegKey root_key_ = kHkeyCurrentUser;
  bool lazy_write_ = true;
  std::string current_path_;
  RegAccess access_mask_ = kKeyAllAccess;
};

}  // namespace harnlode
