#include "target_system.h"

#include <stdexcept>

namespace harnlode {
namespace {

TargetSystem* system_in_use = nullptr;

}  // namespace

TargetSystem& CurrentTargetSystem() {
  if (system_in_use == nullptr) {
    throw std::logic_error("no Windows system has been chosen to work on");
  }
  return *system_in_use;
}

TargetSystem* TargetSystemInUse() { return system_in_use; }

UseTargetSystem::UseTargetSystem(TargetSystem& system) : previous_(system_in_use) {
  system_in_use = &system;
}

UseTargetSystem::~UseTargetSystem() { system_in_use = previous_; }

}  // namespace harnlode
