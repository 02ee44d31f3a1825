#include "target_system.h"

#include <exception>
#include <stdexcept>

namespace harnlode {
namespace {

TargetSystem* system_in_use = nullptr;

}  // namespace

TargetSystem& CurrentTargetSystem() {
  TargetSystem* system = system_in_use;
  if (system == nullptr) throw std::logic_error("no Windows system has been chosen to work on");
  return *system;
}

TargetSystem* TargetSystemInUse() { return system_in_use; }

UseTargetSystem::UseTargetSystem(TargetSystem& system) : previous_(system_in_use) {
  system_in_use = &system;
}

UseTargetSystem::~UseTargetSystem() { system_in_use = previous_; }

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
