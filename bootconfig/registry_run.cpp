#include "registry_run.h"

#include <exception>

#include "target_system.h"

namespace harnlode {

RegistryRun::RegistryRun(TargetSystem& system, bool changes) : system_(system) {
  system_.kept_failures_.clear();
  system_.Registry().BeginRun(changes);
}

RegistryRun::~RegistryRun() {
  if (finished_) return;
  try {
    system_.Registry().EndRun();
  } catch (const std::exception& failure) {
    system_.kept_failures_.push_back(failure.what());
  } catch (...) {
    system_.kept_failures_.push_back("An unknown failure occurred while saving the registry.");
  }
}

void RegistryRun::Finish() {
  finished_ = true;  // a failed write-back is not tried again while its failure unwinds the run
  system_.Registry().EndRun();
}

}  // namespace harnlode
