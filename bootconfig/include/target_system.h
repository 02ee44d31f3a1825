// The Windows system that the check examines: its registry and its files. On Windows this is the
// running system; elsewhere it is an installation mounted in a folder. The check reaches it
// through `CurrentTargetSystem()`, which a `UseTargetSystem` scope sets.
#pragma once

#include <string>

#include "registry_store.h"

namespace harnlode {

class TargetSystem {
 public:
  virtual ~TargetSystem() = default;

  virtual RegistryStore& Registry() = 0;
  // True when the Windows path (such as "c:\\windows\\notepad.exe") names an existing file system
  // object that is not a directory.
  virtual bool IsFile(const std::string& windows_path) = 0;
};

// The system in use. Throws std::logic_error when none is.
TargetSystem& CurrentTargetSystem();

// Makes a system the one in use for the scope's lifetime; scopes nest.
class UseTargetSystem {
 public:
  explicit UseTargetSystem(TargetSystem& system);
  ~UseTargetSystem();
  UseTargetSystem(const UseTargetSystem&) = delete;
  UseTargetSystem& operator=(const UseTargetSystem&) = delete;

 private:
  TargetSystem* previous_;
};

}  // namespace harnlode
