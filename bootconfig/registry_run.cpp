#include "registry_run.h"

#include <exception>

#include "target_system.h"

namespace harnlode {

RegistryRun::RegistryRun(TargetSystem& system, bool changes,
                         std::vector<std::string>* kept_failures)
    : system_(system), kept_failures_(kept_failures) {
  system_.Registry().BeginRun(changes);
}

RegistryRun::~RegistryRun() {
  if (finished_) return;
  const auto keep = [this](std::string failure) {
    if (kept_failures_ != nullptr) kept_failures_->push_back(std::move(failure));
  };
  try {
    system_.Registry().EndRun();
  } catch (const std::exception& failure) {
    keep(failure.what());
  } catch (...) {
    keep("An unknown failure occurred while saving the registry.");
  }
}

RegistryStore& RegistryRun::Registry() { return system_.Registry(); }

void RegistryRun::Finish() {
  finished_ = true;  // a failed write-back is not tried again while its failure unwinds the run
  system_.Registry().EndRun();
}

}  // namespace harnlode
