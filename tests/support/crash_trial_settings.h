// What the environment sets for the crash trials: HARNLODE_CRASH_TRIALS, how many run (100 when
// unset), and HARNLODE_CRASH_SEED, the seed of their moments (a random one when unset), so that
// a run's moments can be repeated.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <random>

namespace harnlode::testing {

inline int CrashTrials() {
  const char* set = std::getenv("HARNLODE_CRASH_TRIALS");
  return set != nullptr ? std::max(1, std::atoi(set)) : 100;
}

inline unsigned CrashSeed() {
  const char* set = std::getenv("HARNLODE_CRASH_SEED");
  return set != nullptr ? static_cast<unsigned>(std::strtoul(set, nullptr, 10))
                        : std::random_device()();
}

}  // namespace harnlode::testing
