// One run of the check on a system's registry, held from its start to its verdict, and whether it
// means to change the registry. The run holds the system: accessors made during it work on its
// store (Registry()). The store reads its copy of the registry afresh for the run and writes back
// what the run changed once, at Finish(), which throws when that fails. A run left without
// Finish(), as when a failure unwinds it, still writes back what was written, since nothing is
// rolled back; should that fail too, its message is kept beside the failure that ended the run.
#pragma once

#include <string>
#include <vector>

namespace harnlode {

class RegistryStore;
class TargetSystem;

class RegistryRun {
 public:
  // The failures that cannot be raised go to `kept_failures`, when given.
  RegistryRun(TargetSystem& system, bool changes,
              std::vector<std::string>* kept_failures = nullptr);
  ~RegistryRun();
  RegistryRun(const RegistryRun&) = delete;
  RegistryRun& operator=(const RegistryRun&) = delete;

  TargetSystem& System() { return system_; }
  RegistryStore& Registry();

  void Finish();

 private:
  TargetSystem& system_;
  std::vector<std::string>* kept_failures_;
  bool finished_ = false;
};

}  // namespace harnlode
