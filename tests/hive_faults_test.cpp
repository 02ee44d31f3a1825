// Faults of the hive file and around the write-back of a tuned hive: each run ends in a clear
// failure or a correct result, and the hive is never left damaged or silently reverted.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <thread>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "file_bytes.h"
#include "installation_check.h"
#include "installation_error.h"
#include "offline/base_block.h"
#include "offline/cut_short_mapping_guard.h"
#include "offline/file_descriptor.h"
#include "offline/hive_location.h"
#include "registry.h"
#include "report_text.h"
#include "sample_installation.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;

constexpr bool kAnalyze = true;
constexpr bool kTune = false;

// The hive as another program's later write of it would leave it: both sequence numbers one on.
std::string Rewritten(std::string hive) {
  const std::span block(reinterpret_cast<std::uint8_t*>(hive.data()), base_block::kSize);
  base_block::SetSequences(block, base_block::PrimarySequence(block) + 1,
                           base_block::SecondarySequence(block) + 1);
  base_block::UpdateChecksum(block);
  return hive;
}

fs::path HiveOf(const fs::path& folder) { return folder / kSystemHivePath; }

// The names in the hive's folder that temporary files of a save might have.
std::vector<std::string> TemporaryNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(HiveOf(folder).parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".SYSTEM.")) names.push_back(name);
  }
  return names;
}

// The sample installation, whose USB services all need tuning, and its hive before and after.
class HiveFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleInstallation(Folder());
    old_hive_ = ReadFile(HiveOf(Folder()));
  }
  fs::path Folder() const { return folder_.Path() / "c"; }
  fs::path Hive() const { return HiveOf(Folder()); }

  TempFolder folder_;
  std::string old_hive_;
};

TEST_F(HiveFaultTest, AFolderThatRefusesTheWriteBackEndsInAClearFailure) {
  // The folder is the unprivileged user's, who takes away its own right to write mid-run, once
  // the run has made its first change.
  OpenUpTo(Hive());
  const fs::path config = Hive().parent_path();
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(config.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chown(Hive().c_str(), kNobody, kNobody), 0);
  const int result = RunUnprivileged([&] {
    const std::string failure = RunFailure(Folder(), kTune, [&](const std::string& line) {
      if (line.starts_with("Writing: Start")) fs::permissions(config, fs::perms(0555));
    });
    return failure.find("could not be saved") != std::string::npos &&
                   failure.find("no new file can be made in \"" + config.string()) !=
                       std::string::npos
               ? 0
               : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(ReadFile(Hive()) == old_hive_);
  EXPECT_THAT(TemporaryNames(Folder()), ::testing::IsEmpty());
}

TEST_F(HiveFaultTest, AFileSizeLimitReachedDuringTheWriteBackEndsInAClearFailure) {
  const int result = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);  // so that writing beyond the limit fails with EFBIG instead
    const rlim_t limit = old_hive_.size() / 2;
    const rlimit file_size = {limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &file_size) != 0) return 2;
    const std::string failure = RunFailure(Folder(), kTune);
    return failure.find("could not be saved") != std::string::npos &&
                   failure.find(std::strerror(EFBIG)) != std::string::npos
               ? 0
               : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(ReadFile(Hive()) == old_hive_);
  EXPECT_THAT(TemporaryNames(Folder()), ::testing::IsEmpty());
}

// A file system just large enough for the hive, or with no inode left for the new file.
struct FullDisk {
  const char* what;
  bool out_of_inodes;
  const char* says;
};
std::ostream& operator<<(std::ostream& out, const FullDisk& row) { return out << row.what; }

class ADiskThatFills : public HiveFaultTest, public ::testing::WithParamInterface<FullDisk> {};

TEST_P(ADiskThatFills, DuringTheWriteBackEndsInAClearFailure) {
  // Mounting one needs root's rights. The installation takes 6 inodes with the mount's root.
  const fs::path disk = folder_.Path() / "disk";
  fs::create_directory(disk);
  const std::string options = GetParam().out_of_inodes
                                  ? "size=" + std::to_string(old_hive_.size() * 4) + ",nr_inodes=6"
                                  : "size=" + std::to_string(old_hive_.size() / 4096 * 4096 + 8192);
  if (::mount("harnlode-test", disk.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
  }
  struct Unmount {
    const fs::path& disk;
    ~Unmount() { ::umount2(disk.c_str(), MNT_DETACH); }
  } unmount{disk};
  const fs::path installation = disk / "c";
  fs::create_directories(HiveOf(installation).parent_path());
  WriteFile(HiveOf(installation), old_hive_);
  ASSERT_TRUE(ReadFile(HiveOf(installation)) == old_hive_) << "the hive fits";

  const std::string failure = RunFailure(installation, kTune);
  EXPECT_THAT(failure, ::testing::HasSubstr("could not be saved"));
  EXPECT_THAT(failure, ::testing::HasSubstr(std::strerror(ENOSPC)));
  EXPECT_THAT(failure, ::testing::HasSubstr(GetParam().says));
  EXPECT_TRUE(ReadFile(HiveOf(installation)) == old_hive_);
  EXPECT_THAT(TemporaryNames(installation), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ADiskThatFills,
                         ::testing::Values(FullDisk{"NoSpace", false, "free some space"},
                                           FullDisk{"NoInodes", true, "all its inodes are used"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(HiveFaultTest, TooLittleMemoryNamesTheHiveAndItsSize) {
#ifdef HARNLODE_SANITIZED_BUILD
  GTEST_SKIP() << "the sanitizers' shadow memory needs more address space than the limit leaves";
#endif
  // A hive file of 1 GiB (the rest of the file is a hole) in a process that may take 256 MiB more.
  fs::resize_file(Hive(), std::uintmax_t{1} << 30);
  const std::string size = std::to_string(fs::file_size(Hive())) + " bytes";
  for (bool analyze_only : {kAnalyze, kTune}) {
    EXPECT_EQ(
        RunInChild([&] {
          std::ifstream status("/proc/self/statm");
          std::uint64_t pages = 0;
          status >> pages;
          const rlim_t limit = pages * ::sysconf(_SC_PAGESIZE) + (rlim_t{256} << 20);
          const rlimit memory = {limit, limit};
          ::setrlimit(RLIMIT_AS, &memory);
          const std::string failure = RunFailure(Folder(), analyze_only);
          return failure.starts_with("There is not enough memory to read the registry hive") &&
                         failure.find(Hive().string() + "\" (" + size + ")") != std::string::npos
                     ? 0
                     : 1;
        }),
        0)
        << (analyze_only ? "analysis" : "tuning");
  }
}

TEST_F(HiveFaultTest, AHiveTruncatedAtAnyPageIsRefusedAndLeftAlone) {
  for (std::size_t end = 0; end < old_hive_.size(); end += 4096) {
    SCOPED_TRACE(end);
    const std::string truncated = old_hive_.substr(0, end);
    WriteFile(Hive(), truncated);
    for (bool analyze_only : {kAnalyze, kTune}) {
      const std::string failure = RunFailure(Folder(), analyze_only);
      EXPECT_THAT(failure, ::testing::HasSubstr("\"" + Hive().string() + "\""));
      EXPECT_THAT(failure, ::testing::AnyOf(::testing::HasSubstr("truncated"),
                                            ::testing::HasSubstr("is damaged")));
    }
    EXPECT_TRUE(ReadFile(Hive()) == truncated);
  }
}

TEST_F(HiveFaultTest, AHiveRewrittenInPlaceWithinTheFileTimesResolutionIsNotOverwritten) {
  // Another program writes its own version in place, same size, within one tick of the clock
  // that stamps file times: only the header's sequence numbers and checksum tell.
  const std::string theirs = Rewritten(old_hive_);
  auto rewrite = [&](const std::string& line) {
    if (!line.starts_with("Writing: Start")) return;
    struct stat before = {};
    ::stat(Hive().c_str(), &before);
    std::fstream(Hive(), std::ios::binary | std::ios::in | std::ios::out) << theirs;
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, Hive().c_str(), times, 0);
  };
  EXPECT_THAT(RunFailure(Folder(), kTune, rewrite),
              ::testing::HasSubstr("was changed by another program"));
  EXPECT_TRUE(ReadFile(Hive()) == theirs);
}

// Whether the hive is cut short (or rewritten in place), and whether the run is an analysis.
class HiveChangedWhileRead : public HiveFaultTest,
                             public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(HiveChangedWhileRead, EndsInAClearFailure) {
  // Cut short, or rewritten in place: either way, what was read may be a mix of two hives. A run
  // that reads the cut part of the mapped file must not crash.
  const auto [cut_short, analyze_only] = GetParam();
  const std::string replacement = cut_short ? std::string("regf") : Rewritten(old_hive_);
  const int result = RunInChild([&] {
    int lines = 0;
    const std::string failure = RunFailure(Folder(), analyze_only, [&](const std::string&) {
      if (++lines != 2) return;
      std::fstream rewritten(Hive(), std::ios::binary | std::ios::in | std::ios::out);
      rewritten << replacement;
      rewritten.close();
      fs::resize_file(Hive(), replacement.size());
    });
    return failure.find("was changed by another program") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(result, 0) << replacement.size() << " bytes written in place";
  EXPECT_TRUE(ReadFile(Hive()) == replacement);
}

INSTANTIATE_TEST_SUITE_P(Rows, HiveChangedWhileRead,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(kAnalyze, kTune)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "CutShort" : "Rewritten") +
                                  (std::get<1>(info.param) ? "Analysis" : "Tuning");
                         });

TEST(CutShortMappingGuardTest, AnotherMappingsBusErrorStillEndsTheProcess) {
  // Only the hive's own mapping reads zeros where its file was cut short; elsewhere a read past a
  // file's end is a fault, as the program would have it without the guard.
  TempFolder folder;
  const fs::path other = folder.Path() / "other";
  WriteFile(other, std::string(8192, 'x'));
  EXPECT_EXIT(
      {
        CutShortMappingGuard guard;
        const FileDescriptor file(::open(other.c_str(), O_RDONLY | O_CLOEXEC));
        const auto* mapped = static_cast<const volatile char*>(
            ::mmap(nullptr, 8192, PROT_READ, MAP_SHARED, file.get(), 0));
        fs::resize_file(other, 0);
        std::fprintf(stderr, "read %d\n", mapped[4096]);
      },
      [](int) { return true; }, "");
}

TEST_F(HiveFaultTest, TwoProgramsTuningAtOnceLeaveTheTunedHive) {
  EXPECT_EQ(CheckProcess(Folder(), true).Wait(), 0);
  const std::string tuned = ReadFile(Hive());
  ASSERT_FALSE(tuned == old_hive_);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    WriteFile(Hive(), old_hive_);
    CheckProcess first(Folder(), true);
    CheckProcess second(Folder(), true);
    const int statuses[] = {first.Wait(), second.Wait()};
    const std::string errors[] = {first.Errors(), second.Errors()};
    // One saves; the other finds nothing left to do, or finds the hive changed and says so.
    EXPECT_TRUE(statuses[0] == 0 || statuses[1] == 0);
    for (int i = 0; i < 2; ++i) {
      if (statuses[i] != 0) {
        EXPECT_EQ(statuses[i], 2);
        EXPECT_THAT(errors[i], ::testing::HasSubstr("was changed by another program"));
      }
    }
    EXPECT_TRUE(ReadFile(Hive()) == tuned);
  }
}

// True while the process has the folder open, as a save does from the moment it asks for the
// folder's lock to its end.
bool HoldsOpen(pid_t pid, const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator fd("/proc/" + std::to_string(pid) + "/fd", error), end;
       !error && fd != end; fd.increment(error)) {
    std::error_code unreadable;
    if (fs::read_symlink(fd->path(), unreadable) == folder) return true;
  }
  return false;
}

TEST_F(HiveFaultTest, ASaveWaitsWhileAnotherIsUnderWay) {
  const fs::path config = Hive().parent_path();
  const int held = ::open(config.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  CheckProcess tuning(Folder(), true);
  // Seen twice in a row, some polls of the lock apart: a save that waits for the lock, not a
  // passing look into the folder.
  const pid_t pid = tuning.Pid();
  int seen = 0;
  while (seen < 2 && tuning.Running()) {
    seen = HoldsOpen(pid, fs::canonical(config)) ? seen + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  EXPECT_EQ(seen, 2) << "the run ended without coming to wait for the lock";
  EXPECT_TRUE(tuning.Running());
  EXPECT_TRUE(ReadFile(Hive()) == old_hive_);
  ::close(held);
  EXPECT_EQ(tuning.Wait(), 0) << tuning.Errors();
  EXPECT_FALSE(ReadFile(Hive()) == old_hive_);
}

TEST_F(HiveFaultTest, OnlyDeadTemporaryFilesOfOurOwnAreRemoved) {
  const fs::path config = Hive().parent_path();
  WriteFile(config / ".SYSTEM.harnlode-a1B2c3", old_hive_.substr(0, 5000));
  WriteFile(config / ".SYSTEM.harnlode-a1B2c3.keep", "not ours");
  WriteFile(config / "SYSTEM.LOG1", "a log");
  fs::create_directory(config / ".SYSTEM.harnlode-folder");
  const fs::path elsewhere = folder_.Path() / "elsewhere";
  WriteFile(elsewhere, "kept");
  fs::create_symlink(elsewhere, config / ".SYSTEM.harnlode-link00");

  // A dead one does not stand in the way of reading, and is gone after the next save.
  EXPECT_EQ(RunFailure(Folder(), kAnalyze), "");
  EXPECT_EQ(RunFailure(Folder(), kTune), "");
  EXPECT_THAT(TemporaryNames(Folder()), ::testing::UnorderedElementsAre(
                                            ".SYSTEM.harnlode-a1B2c3.keep",
                                            ".SYSTEM.harnlode-folder", ".SYSTEM.harnlode-link00"));
  EXPECT_TRUE(fs::exists(config / "SYSTEM.LOG1"));
  EXPECT_EQ(ReadFile(elsewhere), "kept");
  EXPECT_EQ(RunCheck(Folder(), kAnalyze).back(), expected::kReady);
}

}  // namespace
}  // namespace harnlode::testing
