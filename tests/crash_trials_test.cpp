// Tuning runs killed at random moments: afterwards the hive is whole, byte for byte the old one or
// the new one, and what a killed run left behind never stands in a later run's way.
// HARNLODE_CRASH_TRIALS sets the number of trials (100 when unset), HARNLODE_CRASH_SEED their seed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <hivex.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "child_process.h"
#include "crash_trial_settings.h"
#include "file_bytes.h"
#include "installation_check.h"
#include "offline/hive_location.h"
#include "system_hive_generator.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool OpensAsHive(const fs::path& file) {
  hive_h* hive = hivex_open(file.c_str(), 0);
  if (hive != nullptr) hivex_close(hive);
  return hive != nullptr;
}

int TemporaryFiles(const fs::path& hive) {
  int found = 0;
  for (const auto& entry : fs::directory_iterator(hive.parent_path())) {
    found += entry.path().filename().string().starts_with(".SYSTEM.harnlode-");
  }
  return found;
}

constexpr std::uint64_t kHiveSize = std::uint64_t{8} << 20;  // a real SYSTEM hive is 8 to 30 MiB

TEST(CrashTrials, AKilledTuningRunLeavesTheOldHiveOrTheNewOneAndNothingInTheWay) {
  TempFolder scratch;
  const fs::path folder = scratch.Path() / "c";
  MakeGeneratedInstallation(folder, kHiveSize);
  const fs::path hive = folder / kSystemHivePath;
  const std::string old_hive = ReadFile(hive);

  // The new hive is what a run that is not interrupted makes; how long that takes sets the range
  // of the moments to kill at.
  Clock::duration run_time{};
  std::string new_hive;
  for (int i = 0; i < 3; ++i) {
    WriteFile(hive, old_hive);
    const auto start = Clock::now();
    ASSERT_EQ(CheckProcess(folder, true).Wait(), 0);
    run_time = i == 0 ? Clock::now() - start : std::min(run_time, Clock::now() - start);
    if (i == 0) new_hive = ReadFile(hive);
    ASSERT_TRUE(ReadFile(hive) == new_hive) << "a run makes the same hive every time";
  }
  ASSERT_FALSE(new_hive == old_hive);
  ASSERT_TRUE(OpensAsHive(hive));

  const unsigned seed = CrashSeed();
  std::mt19937 random(seed);
  std::uniform_int_distribution<Clock::rep> moment(0, run_time.count() * 13 / 10);
  int old_ones = 0, new_ones = 0, damaged = 0, left_behind = 0;
  const int trials = CrashTrials();
  for (int trial = 0; trial < trials; ++trial) {
    WriteFile(hive, old_hive);
    const int temporaries_before = TemporaryFiles(hive);
    {
      CheckProcess tuning(folder, true);
      std::this_thread::sleep_for(Clock::duration(moment(random)));
      tuning.Kill();
    }
    const std::string after = ReadFile(hive);
    if (after == old_hive) {
      ++old_ones;
    } else if (after == new_hive) {
      ++new_ones;
    } else {
      ++damaged;
      ADD_FAILURE() << "trial " << trial << " (seed " << seed << ") left a hive of " << after.size()
                    << " bytes that is neither the old nor the new one";
    }
    EXPECT_TRUE(OpensAsHive(hive)) << "trial " << trial << " (seed " << seed << ")";
    left_behind += std::max(0, TemporaryFiles(hive) - temporaries_before);
  }

  // Whatever the killed runs left, the next run reads the hive and saves as if they never were,
  // and takes away their leftovers.
  WriteFile(hive, old_hive);
  EXPECT_EQ(RunCheck(folder, true).back(), expected::kNotReady);
  CheckProcess tuning(folder, true);
  EXPECT_EQ(tuning.Wait(), 0) << tuning.Errors();
  EXPECT_TRUE(ReadFile(hive) == new_hive);
  EXPECT_EQ(TemporaryFiles(hive), 0);

  EXPECT_EQ(damaged, 0);
  std::cout << trials << " killed tuning runs of a " << old_hive.size() / 1024
            << " KiB hive (a run takes "
            << std::chrono::duration_cast<std::chrono::milliseconds>(run_time).count()
            << " ms; seed " << seed << "): " << old_ones << " left the old hive, " << new_ones
            << " the new one, " << damaged << " a damaged one; " << left_behind
            << " left a temporary file behind\n";
}

}  // namespace
}  // namespace harnlode::testing
