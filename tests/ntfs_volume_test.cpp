// The program on a real NTFS volume mounted with ntfs-3g, as a Linux desktop mounts a Windows disk:
// a real Windows installation's hive found, analysed and tuned; tuning runs cut off by killing the
// filesystem driver itself, the nearest thing to a power cut that a test can cause.
// HARNLODE_CRASH_TRIALS sets the number of trials (100 when unset), HARNLODE_CRASH_SEED their seed.
#include "ntfs_volume.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <hivex.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include "child_process.h"
#include "crash_trial_settings.h"
#include "expected_texts.h"
#include "file_bytes.h"
#include "investigate.h"
#include "offline/mounted_installations.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;

constexpr std::uint64_t kVolumeMib = 128;

// The two sequence numbers of a hive that hivex opens, or nothing when it does not open.
std::optional<std::pair<std::uint32_t, std::uint32_t>> SequenceNumbers(const fs::path& file) {
  hive_h* hive = hivex_open(file.c_str(), 0);
  if (hive == nullptr) return std::nullopt;
  hivex_close(hive);
  std::string base(12, '\0');
  std::ifstream(file, std::ios::binary).read(base.data(), 12);
  auto at = [&](std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(base[offset + i]);
    return value;
  };
  return std::pair{at(4), at(8)};
}

// Entries of a folder whose file cannot be reached: a name left pointing at nothing.
std::vector<std::string> Unreachable(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    struct stat status = {};
    if (::stat(entry.path().c_str(), &status) != 0) found.push_back(entry.path().filename());
  }
  return found;
}

struct RealHive {
  const char* label;
  const char* name;  // as in the folder of real hives, without ".xz"
  bool with_logs;
};

std::ostream& operator<<(std::ostream& out, const RealHive& hive) { return out << hive.name; }

// Decompresses the hive (and its logs) into `into` as SYSTEM, SYSTEM.LOG1, SYSTEM.LOG2; returns
// why that cannot be done, or "".
std::string UnpackRealHive(const RealHive& hive, const fs::path& into) {
  const fs::path source = HARNLODE_REAL_HIVES;
  std::vector<std::pair<std::string, std::string>> files = {{hive.name, "SYSTEM"}};
  if (hive.with_logs) {
    files.emplace_back(std::string(hive.name) + ".LOG1", "SYSTEM.LOG1");
    files.emplace_back(std::string(hive.name) + ".LOG2", "SYSTEM.LOG2");
  }
  for (const auto& [name, target] : files) {
    const fs::path packed = source / (name + ".xz");
    if (!fs::exists(packed)) return "the real hive " + packed.string() + " is missing";
    if (RunProgramInto({"xz", "-dc", packed}, into / target) != 0) {
      return "xz cannot decompress " + packed.string();
    }
  }
  return "";
}

// Copies an unpacked hive's files onto the volume as an installation's, with the driver file.
void Install(const fs::path& unpacked, const fs::path& root) {
  const fs::path config = root / "Windows/System32/config";
  fs::create_directories(config);
  fs::create_directories(root / "Windows/System32/drivers");
  for (const auto& entry : fs::directory_iterator(unpacked)) {
    fs::copy_file(entry.path(), config / entry.path().filename());
  }
  WriteFile(root / "Windows/System32/drivers/USBSTOR.SYS", "driver");
}

ProgramOutcome RunCheckProgram(const fs::path& folder, bool tune) {
  return RunProgram(CheckArguments(folder, tune));
}

class RealInstallation : public ::testing::TestWithParam<RealHive> {};

TEST_P(RealInstallation, IsFoundAnalysedAndTunedAndTheVolumeStaysClean) {
  if (const std::string reason = NtfsVolume::Unavailable(); !reason.empty()) {
    GTEST_SKIP() << "No NTFS volume can be mounted here: " << reason;
  }
  TempFolder scratch;
  const fs::path unpacked = scratch.Path() / "hive";
  fs::create_directories(unpacked);
  if (const std::string missing = UnpackRealHive(GetParam(), unpacked); !missing.empty()) {
    GTEST_SKIP() << missing;
  }
  NtfsVolume volume(scratch.Path(), kVolumeMib);
  volume.Mount();
  const fs::path root = volume.MountPoint();
  Install(unpacked, root);
  const fs::path config = root / "Windows/System32/config";

  EXPECT_THAT(MountedWindowsInstallations(ReadMountTable()),
              Contains(::testing::Field(&MountedInstallation::folder, root)));

  const ProgramOutcome before = RunCheckProgram(root, false);
  EXPECT_EQ(before.status, 1) << before.err;
  EXPECT_THAT(before.out, EndsWith(expected::kNotReady + "\n"));
  const ProgramOutcome tuning = RunCheckProgram(root, true);
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  EXPECT_THAT(tuning.out, HasSubstr("Writing: Start: 0"));
  EXPECT_THAT(tuning.out, EndsWith(expected::kReady + "\n"));
  const ProgramOutcome after = RunCheckProgram(root, false);
  EXPECT_EQ(after.status, 0) << after.err;
  EXPECT_THAT(after.out, EndsWith(expected::kReady + "\n"));

  // The written hive is whole and clean; the logs, which Windows now ignores, stay as they were.
  const auto sequence = SequenceNumbers(config / "SYSTEM");
  ASSERT_TRUE(sequence.has_value()) << "the tuned hive does not open in hivex";
  EXPECT_EQ(sequence->first, sequence->second);
  for (const char* log : {"SYSTEM.LOG1", "SYSTEM.LOG2"}) {
    if (fs::exists(unpacked / log)) {
      EXPECT_TRUE(ReadFile(config / log) == ReadFile(unpacked / log)) << log;
    }
  }
  // Nothing is left beside them: no temporary file, no name the driver kept the old hive under.
  std::set<std::string> names, unpacked_names;
  for (const auto& entry : fs::directory_iterator(config)) names.insert(entry.path().filename());
  for (const auto& entry : fs::directory_iterator(unpacked)) {
    unpacked_names.insert(entry.path().filename());
  }
  EXPECT_EQ(names, unpacked_names);
  EXPECT_THAT(Unreachable(config), ::testing::IsEmpty());

  volume.Unmount();
  std::string report;
  EXPECT_TRUE(volume.Clean(&report)) << report;
}

INSTANTIATE_TEST_SUITE_P(OnNtfs, RealInstallation,
                         ::testing::Values(RealHive{"Windows7", "windows7-SYSTEM", false},
                                           RealHive{"Windows10", "windows10-SYSTEM", true}),
                         [](const auto& info) { return std::string(info.param.label); });

// strace on the driver, set to kill it at its `write`-th write to the device; nothing when it
// cannot be started or cannot attach.
std::unique_ptr<ChildProcess> KillAtDeviceWrite(pid_t driver, int write) {
  std::unique_ptr<ChildProcess> tracer;
  try {
    tracer = std::make_unique<ChildProcess>(std::vector<std::string>{
        "strace", "-q", "-f", "-o", "/dev/null", "-e", "trace=pwrite64,write", "-e",
        "inject=pwrite64,write:signal=SIGKILL:when=" + std::to_string(write), "-p",
        std::to_string(driver)});
  } catch (const std::runtime_error&) {
    return nullptr;  // no strace here
  }
  // Attached once the driver names its tracer.
  const std::string status = "/proc/" + std::to_string(driver) + "/status";
  for (int wait = 0; wait < 5000 && tracer->Running(); ++wait) {
    std::ifstream file(status);  // of size 0 to stat, so read as a stream
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const std::size_t at = text.find("TracerPid:\t");
    if (at != std::string::npos && text.compare(at + 11, 2, "0\n") != 0) return tracer;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return nullptr;
}

// ntfs-3g renames over an existing file in steps, and a driver killed in between can leave no
// SYSTEM at all, the old hive under a spare name. Whichever device write the driver dies at while
// our save renames the new hive into place, the next run finds a whole SYSTEM and reads it, and
// the next tuning run leaves nothing else behind.
TEST(NtfsInterruptedRename, EveryMomentLeavesAWholeHiveForTheNextRun) {
  if (const std::string reason = NtfsVolume::Unavailable(); !reason.empty()) {
    GTEST_SKIP() << "No NTFS volume can be mounted here: " << reason;
  }
  // The save renames a hive that still needs tuning into place, so that the next tuning run
  // saves again, whichever of the two it finds.
  auto hive = [](const char* tuned_set) {
    TempInstallation made;
    made.AddUsbServices({"ControlSet001", "ControlSet002"}, "Base", 3);
    if (tuned_set != nullptr) made.AddUsbServices({tuned_set}, "System Reserved", 0);
    made.Commit();
    return ReadFile(made.HivePath());
  };
  const std::string old_hive = hive(nullptr), new_hive = hive("ControlSet001");

  TempFolder scratch;
  NtfsVolume volume(scratch.Path(), kVolumeMib);
  int gaps = 0, damaged = 0;
  for (int write = 1;; ++write) {
    ASSERT_LT(write, 100) << "the rename never ended without the driver";
    const std::string where = "killed at device write " + std::to_string(write);
    volume.Mount();
    // A folder of its own for every trial: names that a killed driver left leading nowhere stay.
    const fs::path root = volume.MountPoint() / std::to_string(write);
    const fs::path config = root / "Windows/System32/config";
    fs::create_directories(config);
    fs::create_directories(root / "Windows/System32/drivers");
    WriteFile(root / "Windows/System32/drivers/USBSTOR.SYS", "driver");
    WriteFile(config / "SYSTEM", old_hive);
    WriteFile(config / ".SYSTEM.harnlode-Trial0", new_hive);
    ::sync();
    std::unique_ptr<ChildProcess> tracer = KillAtDeviceWrite(volume.Driver(), write);
    if (!tracer) GTEST_SKIP() << "strace cannot trace the ntfs-3g driver here";
    std::error_code failed;
    fs::rename(config / ".SYSTEM.harnlode-Trial0", config / "SYSTEM", failed);
    // A rename that ended may still have left writes to do; one cut off ends with the driver.
    bool driver_died = false;
    for (int wait = 0; wait < (failed ? 5000 : 300) && !driver_died; ++wait) {
      driver_died = !volume.DriverRunning();
      if (!driver_died) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    tracer.reset();
    if (!driver_died) break;  // the rename ended before that write
    volume.KillDriver();
    volume.Mount();
    gaps += fs::exists(config / "SYSTEM") ? 0 : 1;

    // An analysis reads the hive, or the spare that the cut-off rename left in its place, and
    // changes nothing; the tuning run puts the spare back.
    const auto hive_or_spare = [&] {
      if (fs::exists(config / "SYSTEM")) return ReadFile(config / "SYSTEM");
      for (const auto& entry : fs::directory_iterator(config)) {
        if (entry.path().filename().string().starts_with("SYSTEM.ntfs-3g-")) {
          return ReadFile(entry.path());
        }
      }
      return std::string();
    };
    const std::string found = hive_or_spare();
    const ProgramOutcome analysis = RunCheckProgram(root, false);
    EXPECT_TRUE(found == old_hive || found == new_hive) << where;
    EXPECT_EQ(analysis.status, 1) << where << ": " << analysis.err;
    EXPECT_TRUE(hive_or_spare() == found) << where << ": the analysis changed the folder";
    // A later save succeeds and clears away what the driver left, unless the file system was left
    // damaged; then it says so, and the hive stays as it was.
    const ProgramOutcome tuning = RunCheckProgram(root, true);
    if (tuning.status != 0) {
      EXPECT_THAT(tuning.err, HasSubstr("The hive was left as it was; the disk or its file "
                                        "system may be damaged"))
          << where;
      EXPECT_TRUE(hive_or_spare() == found) << where;
      ++damaged;
      volume.Unmount();
      continue;
    }
    EXPECT_EQ(RunCheckProgram(root, false).status, 0) << where;
    // Nothing else is left that could be removed; a killed driver also leaves names that lead
    // nowhere or that it cannot remove itself, until Windows' disk check mends them.
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(config)) {
      if (entry.path().filename() != "SYSTEM" && ::unlink(entry.path().c_str()) == 0) {
        left.insert(entry.path().filename());
      }
    }
    EXPECT_THAT(left, ::testing::IsEmpty()) << where;
    volume.Unmount();
  }
  volume.Unmount();
  EXPECT_GT(gaps, 0) << "no trial hit the moment without SYSTEM";
  std::cout << "ntfs-3g killed at each of the rename's device writes: " << gaps
            << " left no SYSTEM until the next run, " << damaged
            << " left a file system that refuses a later save\n";
}

TEST(NtfsCrashTrials, AKilledDriverLeavesTheOldHiveOrTheNewOneWhole) {
  if (const std::string reason = NtfsVolume::Unavailable(); !reason.empty()) {
    GTEST_SKIP() << "No NTFS volume can be mounted here: " << reason;
  }
#ifdef HARNLODE_SANITIZED_BUILD
  // The trials exercise the filesystem, not the program's memory; the plain build runs them.
  if (std::getenv("HARNLODE_CRASH_TRIALS") == nullptr) {
    GTEST_SKIP() << "Run in the build without sanitizers (or set HARNLODE_CRASH_TRIALS)";
  }
#endif
  TempFolder scratch;
  const fs::path unpacked = scratch.Path() / "hive";
  fs::create_directories(unpacked);
  // A dirty hive: a tuning run writes it brought up to date from its logs, which stay as they are.
  if (const std::string missing = UnpackRealHive({"Windows10", "windows10-SYSTEM", true}, unpacked);
      !missing.empty()) {
    GTEST_SKIP() << missing;
  }
  const std::string old_hive = ReadFile(unpacked / "SYSTEM");
  NtfsVolume volume(scratch.Path(), kVolumeMib);
  volume.Mount();
  const fs::path root = volume.MountPoint();
  Install(unpacked, root);
  const fs::path hive = root / "Windows/System32/config/SYSTEM";

  Clock::duration run_time{};
  std::string new_hive;
  for (int i = 0; i < 3; ++i) {
    WriteFile(hive, old_hive);
    const auto start = Clock::now();
    CheckProcess tuning(root, true);
    ASSERT_EQ(tuning.Wait(), 0) << tuning.Errors();
    run_time = i == 0 ? Clock::now() - start : std::min(run_time, Clock::now() - start);
    if (i == 0) new_hive = ReadFile(hive);
    ASSERT_TRUE(ReadFile(hive) == new_hive) << "a run makes the same hive every time";
  }
  ASSERT_FALSE(new_hive == old_hive);

  const unsigned seed = CrashSeed();
  std::mt19937 random(seed);
  std::uniform_int_distribution<Clock::rep> moment(0, run_time.count() * 13 / 10);
  int old_ones = 0, new_ones = 0, damaged = 0;
  std::set<std::string> unreachable;
  const int trials = CrashTrials();
  const auto trials_start = Clock::now();
  bool old_in_place = false;
  for (int trial = 0; trial < trials; ++trial) {
    if (!old_in_place) WriteFile(hive, old_hive);
    {
      CheckProcess tuning(root, true);
      std::this_thread::sleep_for(Clock::duration(moment(random)));
      volume.KillDriver();
    }  // the run, cut off from its files, is ended too
    // The driver keeps no journal and marks nothing dirty: the volume mounts again as it is.
    volume.Mount();
    const std::string where =
        "trial " + std::to_string(trial) + " (seed " + std::to_string(seed) + ")";
    // A kill inside the rename can leave no SYSTEM until the next run puts the old one back.
    if (!fs::exists(hive)) RunCheckProgram(root, false);
    const std::string after = fs::exists(hive) ? ReadFile(hive) : "";
    old_in_place = after == old_hive;
    if (after == old_hive) {
      ++old_ones;
    } else if (after == new_hive) {
      ++new_ones;
    } else {
      ++damaged;
      ADD_FAILURE() << where << " left a SYSTEM of " << after.size()
                    << " bytes that is neither the old hive nor the new one";
    }
    EXPECT_TRUE(SequenceNumbers(hive).has_value()) << where << ": the hive does not open in hivex";
    // ntfs-3g frees a file's record before it takes its name out of the folder, so a kill in
    // between leaves a name that leads nowhere until Windows' disk check removes it. Such names
    // must not stand in a later run's way.
    for (const std::string& name : Unreachable(hive.parent_path())) unreachable.insert(name);
  }
  const auto per_trial = (Clock::now() - trials_start) / trials;

  // Whatever the killed runs left, a later run tunes the hive as if they never were.
  WriteFile(hive, old_hive);
  const ProgramOutcome tuning = RunCheckProgram(root, true);
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  EXPECT_TRUE(ReadFile(hive) == new_hive);
  for (const char* log : {"SYSTEM.LOG1", "SYSTEM.LOG2"}) {
    EXPECT_TRUE(ReadFile(hive.parent_path() / log) == ReadFile(unpacked / log)) << log;
  }
  volume.Unmount();
  std::string report;
  EXPECT_TRUE(volume.Clean(&report)) << report;

  EXPECT_EQ(damaged, 0);
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  std::cout << trials << " tuning runs of a " << old_hive.size() / 1024
            << " KiB hive on NTFS cut off by killing ntfs-3g (a run takes "
            << duration_cast<milliseconds>(run_time).count() << " ms, a trial "
            << duration_cast<milliseconds>(per_trial).count() << " ms; seed " << seed
            << "): " << old_ones << " left the old hive, " << new_ones << " the new one, "
            << damaged << " a damaged or missing one; " << unreachable.size()
            << " left a name that leads nowhere\n";
}

}  // namespace
}  // namespace harnlode::testing
