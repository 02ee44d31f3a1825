// One run of the check on a system's registry, held from its start to its verdict, and whether it
// means to change the registry. The store reads its copy of the registry afresh for the run and
// writes back what the run changed once, at Finish(), which throws when that fails. A run left
// without Finish(), as when a failure unwinds it, still writes back what was written, since
// nothing is rolled back; should that fail too, its message is kept beside the failure that
// ended the run (TargetSystem::KeptFailures).
#pragma once

namespace harnlode {

class TargetSystem;

class RegistryRun {
 public:
  RegistryRun(TargetSystem& system, bool changes);
  ~RegistryRun();
  RegistryRun(const RegistryRun&) = delete;
  RegistryRun& operator=(const RegistryRun&) = delete;

  void Finish();

 private:
  TargetSystem& system_;
  bool finished_ = false;
};

}  // namespace harnlode
