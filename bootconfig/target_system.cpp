#include "target_system.h"

#include <stdexcept>

#ifdef _WIN32
#include "windows/live_system.h"
#endif

namespace harnlode {
namespace {

TargetSystem* DefaultSystem() {
#ifdef _WIN32
  static LiveSystem live;
  return &live;
#else
  return nullptr;
#endif
}

TargetSystem*& SystemInUse() {
  static TargetSystem* system = DefaultSystem();
  return system;
}

}  // namespace

TargetSystem& CurrentTargetSystem() {
  TargetSystem* system = SystemInUse();
  if (system == nullptr) throw std::logic_error("no Windows system has been chosen to work on");
  return *system;
}

UseTargetSystem::UseTargetSystem(TargetSystem& system) : previous_(SystemInUse()) {
  SystemInUse() = &system;
}

UseTargetSystem::~UseTargetSystem() { SystemInUse() = previous_; }

}  // namespace harnlode
