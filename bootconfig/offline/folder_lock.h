// An exclusive lock on a folder, held until the object goes: programs that replace files in the
// folder take it so that they take turns. It binds only the programs that take it.
#pragma once

#include <chrono>

namespace harnlode {

// How long a save into a hive's folder waits for another program's save there to end.
inline constexpr std::chrono::seconds kSavePatience{10};

class FolderLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kBusy,         // another holder did not let go in time
    kUnsupported,  // the file system keeps no such locks; nobody can hold one
    kNoFolder,     // the folder cannot be opened
  };

  // Locks the folder open as `folder`, through a descriptor of its own; waits up to `patience`
  // for another holder to let go.
  FolderLock(int folder, std::chrono::milliseconds patience);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State GetState() const { return state_; }
  // The error behind kNoFolder.
  int Error() const { return error_; }

 private:
  int folder_ = -1;
  int error_ = 0;
  State state_ = State::kNoFolder;
};

}  // namespace harnlode
