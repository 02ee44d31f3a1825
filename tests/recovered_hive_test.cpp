// Runs on a real Windows 10 SYSTEM hive that its last writer left dirty, with the two transaction
// logs that hold what the primary file lacks: every run reads the hive brought up to date, an
// analysis changes nothing on disk, and tuning writes the whole recovered hive back clean.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "child_process.h"
#include "file_bytes.h"
#include "hive_builder.h"
#include "hive_log_writer.h"
#include "installation_check.h"
#include "investigate.h"
#include "offline/base_block.h"
#include "offline/hive_recovery.h"
#include "offline/windows_names.h"
#include "registry.h"
#include "registry_run.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;

constexpr bool kAnalyze = true;
constexpr bool kTune = false;

std::span<const std::uint8_t> Bytes(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// Every file below the folder: its bytes and when it was last written; with `folder_times`, when
// each folder's entries last changed too.
std::map<fs::path, std::pair<std::string, std::int64_t>> FolderState(const fs::path& folder,
                                                                     bool folder_times = true) {
  std::map<fs::path, std::pair<std::string, std::int64_t>> state;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    struct stat status = {};
    ::lstat(entry.path().c_str(), &status);
    const bool file = entry.is_regular_file();
    state[entry.path()] = {file ? ReadFile(entry.path()) : "",
                           file || folder_times
                               ? status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec
                               : 0};
  }
  return state;
}

// The logs keep another spelling than the hive, as they may on a disk: names match without
// regard to case.
constexpr const char* kLog1 = "system.LOG1";
constexpr const char* kLog2 = "System.log2";

// The files of the hive's folder; no SYSTEM.LOG when `log` is empty.
struct HiveFiles {
  std::string hive, log1, log2, log;
};

// The real hive and its logs, decompressed once for all tests.
class RealWindows10Hive : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path source = HARNLODE_REAL_HIVES;
    if (!fs::exists(source / "windows10-SYSTEM.xz")) return;
    originals_ = new TempFolder;
    for (const char* name : {"SYSTEM", "SYSTEM.LOG1", "SYSTEM.LOG2"}) {
      const fs::path packed = source / ("windows10-" + std::string(name) + ".xz");
      if (RunProgramInto({"xz", "-dc", packed}, originals_->Path() / name) != 0) return;
    }
    hive_ = ReadFile(originals_->Path() / "SYSTEM");
    log1_ = ReadFile(originals_->Path() / "SYSTEM.LOG1");
    log2_ = ReadFile(originals_->Path() / "SYSTEM.LOG2");
  }
  static void TearDownTestSuite() {
    delete originals_;
    originals_ = nullptr;
    recovered_.clear();
  }

  void SetUp() override {
    if (hive_.empty()) {
      GTEST_SKIP() << "the real hives are not at " << HARNLODE_REAL_HIVES
                   << " (set HARNLODE_REAL_HIVES), or xz cannot unpack them";
    }
    Install(Folder());
  }

  // The hive and its logs, and the USB mass-storage driver, in an installation folder.
  static HiveFiles Originals() { return {hive_, log1_, log2_, ""}; }
  static void Install(const fs::path& folder, const HiveFiles& files = Originals()) {
    fs::create_directories(folder / "Windows/System32/drivers");
    fs::create_directories(Config(folder));
    WriteFile(folder / "Windows/System32/drivers/USBSTOR.SYS", "driver");
    WriteFile(Config(folder) / "SYSTEM", files.hive);
    WriteFile(Config(folder) / kLog1, files.log1);
    WriteFile(Config(folder) / kLog2, files.log2);
    if (!files.log.empty()) WriteFile(Config(folder) / "SYSTEM.LOG", files.log);
  }
  static fs::path Config(const fs::path& folder) { return folder / "Windows/System32/config"; }
  fs::path Folder() const { return folder_.Path() / "c"; }
  fs::path Hive() const { return Config(Folder()) / "SYSTEM"; }

  // What the logs make of the hive, as an independent reader finds it.
  static HiveRecovery Recover(std::vector<std::uint8_t>* image) {
    image->assign(hive_.begin(), hive_.end());
    return RecoverHive(*image, {{}, Bytes(log1_), Bytes(log2_)});
  }
  // Read once: a whole real hive takes seconds to read.
  static const HiveContents& RecoveredContents() {
    if (recovered_.empty()) {
      std::vector<std::uint8_t> image;
      EXPECT_EQ(Recover(&image).outcome, HiveRecovery::Outcome::kRecovered);
      const fs::path file = originals_->Path() / "recovered";
      WriteFile(file, std::string(image.begin(), image.end()));
      recovered_ = ReadHiveContents(file);
    }
    return recovered_;
  }

  TempFolder folder_;
  static inline TempFolder* originals_ = nullptr;
  static inline std::string hive_, log1_, log2_;
  static inline HiveContents recovered_;
};

std::size_t ValueCount(const HiveContents& contents) {
  std::size_t count = 0;
  for (const auto& [key, values] : contents) count += values.size();
  return count;
}

TEST_F(RealWindows10Hive, AnAnalysisReadsWhatTheLogsHoldAndChangesNothing) {
  const HiveContents primary = ReadHiveContents(Hive());
  const HiveContents& recovered = RecoveredContents();
  // A key that only the logs hold, and a value that they changed.
  auto only_in_logs = std::find_if(recovered.begin(), recovered.end(),
                                   [&](const auto& key) { return !primary.contains(key.first); });
  ASSERT_NE(only_in_logs, recovered.end());
  std::string changed_key, changed_value;
  for (const auto& [key, values] : recovered) {
    for (const auto& [name, value] : values) {
      if (changed_key.empty() && !name.empty() && value.type == kRegDword &&
          value.data.size() == 4 && primary.contains(key) && primary.at(key).contains(name) &&
          primary.at(key).at(name) != value) {
        changed_key = key, changed_value = name;
      }
    }
  }
  ASSERT_FALSE(changed_key.empty());

  const auto before = FolderState(Folder());
  {
    OfflineSystem system(Folder());
    TRegistry registry(system.Registry());
    registry.SetRoot(kHkeyLocalMachine);
    EXPECT_TRUE(registry.KeyPresent("SYSTEM\\" + only_in_logs->first)) << only_in_logs->first;
    ASSERT_TRUE(registry.OpenPath("SYSTEM\\" + changed_key, false)) << changed_key;
    const std::vector<std::uint8_t>& data = recovered.at(changed_key).at(changed_value).data;
    EXPECT_EQ(static_cast<std::uint32_t>(registry.ReadNumber(changed_value)),
              data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24)
        << changed_key << " " << changed_value;
  }
  EXPECT_EQ(RunFailure(Folder(), kAnalyze), "");
  EXPECT_TRUE(FolderState(Folder()) == before) << "a file was changed, added or removed";
}

TEST_F(RealWindows10Hive, TuningWritesTheRecoveredHiveCleanAndLeavesTheLogsAlone) {
  HiveContents expected = RecoveredContents();
  EXPECT_EQ(expected.size(), 35'595u) << "keys";
  EXPECT_EQ(ValueCount(expected), 78'901u) << "values";
  // What tuning writes: every USB service key that the hive has gets both values.
  int tuned_keys = 0;
  for (auto& [key, values] : expected) {
    for (const std::string& control_set : ControlSetNames) {
      for (const std::string& service : UsbServiceNames) {
        if (SameNameIgnoringCase(key, control_set + "\\services\\" + service)) {
          values["start"] = {kRegDword, DwordData(0)};
          values["group"] = {kRegSz, TextData("System Reserved")};
          ++tuned_keys;
        }
      }
    }
  }
  EXPECT_EQ(tuned_keys, 6);

  EXPECT_EQ(RunFailure(Folder(), kTune), "");
  const std::string written = ReadFile(Hive());
  EXPECT_TRUE(base_block::Clean(Bytes(written)));
  std::vector<std::uint8_t> image;
  const std::uint32_t highest = Recover(&image).highest_log_sequence;
  EXPECT_GE(highest, 2130u);
  EXPECT_GT(base_block::PrimarySequence(Bytes(written)), highest);
  EXPECT_TRUE(ReadHiveContents(Hive()) == expected) << "not the recovered hive with the writes";
  EXPECT_TRUE(ReadFile(Config(Folder()) / kLog1) == log1_);
  EXPECT_TRUE(ReadFile(Config(Folder()) / kLog2) == log2_);
  // The hive is clean now: Windows and the next run ignore the logs, and nothing is left to do.
  const auto tuned = FolderState(Folder());
  EXPECT_EQ(RunFailure(Folder(), kTune), "");
  EXPECT_TRUE(FolderState(Folder()) == tuned);
}

TEST_F(RealWindows10Hive, AChangeWithoutNoticeLoadsTheRecoveredHiveForIt) {
  // Read for reading only first, then loaded again from memory for the change.
  HiveContents expected = RecoveredContents();
  const std::string usbhub = "ControlSet001\\Services\\usbhub";
  ASSERT_TRUE(expected.contains(usbhub));
  expected[usbhub]["start"] = {kRegDword, DwordData(0)};
  {
    OfflineSystem system(Folder());
    RegistryRun run(system, false);
    TRegistry key(run.Registry());
    key.SetRoot(kHkeyLocalMachine);
    ASSERT_TRUE(key.OpenPath("SYSTEM\\" + usbhub, false));
    key.WriteNumber("Start", 0);
  }
  EXPECT_TRUE(base_block::Clean(Bytes(ReadFile(Hive()))));
  EXPECT_TRUE(ReadHiveContents(Hive()) == expected);
}

TEST_F(RealWindows10Hive, FaultsAroundTheLogsChangeNothing) {
  const fs::path log2 = Config(Folder()) / kLog2;
  // Another program writes a log in place, within the file times' resolution, or removes it.
  auto rewrite_log = [&](const std::string& line) {
    if (!line.starts_with("Writing")) return;
    struct stat status = {};
    ::stat(log2.c_str(), &status);
    std::string changed = log2_;
    changed[changed.size() / 2] ^= 1;
    std::fstream(log2, std::ios::binary | std::ios::in | std::ios::out) << changed;
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ::utimensat(AT_FDCWD, log2.c_str(), times, 0);
  };
  auto remove_log = [&](const std::string& line) {
    if (line.starts_with("Writing")) fs::remove(log2);
  };
  for (const auto& change : {std::function<void(const std::string&)>(rewrite_log),
                             std::function<void(const std::string&)>(remove_log)}) {
    EXPECT_THAT(RunFailure(Folder(), kTune, change),
                ::testing::HasSubstr("was changed by another program"));
    EXPECT_TRUE(ReadFile(Hive()) == hive_);
    Install(Folder());
  }

  // A log that the user may not read: neither run can tell what Windows would see.
  OpenUpTo(Hive());
  ASSERT_EQ(::chmod(log2.c_str(), 0), 0);
  for (bool analyze_only : {kAnalyze, kTune}) {
    const int result = RunUnprivileged([&] {
      const std::string failure = RunFailure(Folder(), analyze_only);
      return failure.find("\"" + fs::canonical(log2).string() + "\"") != std::string::npos &&
                     failure.find("cannot be read") != std::string::npos
                 ? 0
                 : 1;
    });
    EXPECT_EQ(result, 0) << (analyze_only ? "analysis" : "tuning");
  }
  EXPECT_TRUE(ReadFile(Hive()) == hive_);
}

TEST_F(RealWindows10Hive, ADiskThatFillsWhileTheRecoveredHiveIsWrittenChangesNothing) {
  // Room for the installation and less than a second hive; mounting needs root's rights.
  const fs::path disk = folder_.Path() / "disk";
  fs::create_directory(disk);
  const std::size_t room = hive_.size() + log1_.size() + log2_.size() + hive_.size() / 2;
  const std::string size = "size=" + std::to_string(room / 4096 * 4096);
  if (::mount("harnlode-test", disk.c_str(), "tmpfs", 0, size.c_str()) != 0) {
    GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
  }
  struct Unmount {
    const fs::path& disk;
    ~Unmount() { ::umount2(disk.c_str(), MNT_DETACH); }
  } unmount{disk};
  const fs::path installation = disk / "c";
  Install(installation);
  const auto before = FolderState(installation, false);

  const std::string failure = RunFailure(installation, kTune);
  EXPECT_THAT(failure, ::testing::HasSubstr("could not be saved"));
  EXPECT_THAT(failure, ::testing::HasSubstr(std::strerror(ENOSPC)));
  // Only the folder's time tells that a temporary file was there.
  EXPECT_TRUE(FolderState(installation, false) == before) << "a file was changed or left behind";
}

// Logs that hide a gap, and sequence numbers at the top of their range. LOG1 holds entries 2107 to
// 2110 (the third at offsets 28672 to 40960), LOG2 entries 2111 to 2130 (the first at 512).
struct HostileLogsRow {
  const char* name;
  std::function<void(HiveFiles&)> change;
  const char* note;     // on standard error after the report, and in the log after the verdict
  const char* refusal;  // why tuning changes nothing; "" when it writes the hive
};

void PrintTo(const HostileLogsRow& row, std::ostream* out) { *out << row.name; }

std::span<std::uint8_t> Writable(std::string& bytes) {
  return {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()};
}

// The numbers of a base block, its checksum right.
void SetSequences(std::string& block, std::uint32_t sequence) {
  base_block::SetSequences(Writable(block), sequence, sequence);
  base_block::UpdateChecksum(Writable(block));
}

// Every entry of the log numbered `by` higher, its base block too, hashes and checksum right.
void Renumber(std::string& log, std::uint32_t by) {
  const std::span<std::uint8_t> bytes = Writable(log);
  SetSequences(log, base_block::PrimarySequence(bytes) + by);
  for (std::size_t at = 512; at + 512 <= log.size() && log.compare(at, 4, "HvLE") == 0;
       at += base_block::Read32(bytes, at + 4)) {
    base_block::Write32(bytes, at + 12, base_block::Read32(bytes, at + 12) + by);
    hive_log::RehashEntry(bytes, at);
  }
}

class HostileLogs : public RealWindows10Hive,
                    public ::testing::WithParamInterface<HostileLogsRow> {};

TEST_P(HostileLogs, LeaveTheHiveUnwrittenOrWrittenAboveThem) {
  HiveFiles files = Originals();
  GetParam().change(files);
  Install(Folder(), files);
  const auto before = FolderState(Folder());
  const std::string note = GetParam().note;
  const std::string refusal = GetParam().refusal;

  // The window's log: the note after the verdict.
  const std::vector<std::string> lines = RunCheck(Folder(), kAnalyze);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - (note.empty() ? 1 : 2)], expected::kNotReady);
  if (!note.empty()) {
    EXPECT_THAT(lines.back(), ::testing::HasSubstr(note));
  }

  // The console program: the report on standard output, the note on standard error.
  const ProgramOutcome analysis = RunProgram(CheckArguments(Folder(), false));
  EXPECT_EQ(analysis.status, 1) << analysis.err;
  EXPECT_TRUE(analysis.out.ends_with(expected::kNotReady + "\n"));
  EXPECT_EQ(analysis.err.empty(), note.empty()) << analysis.err;
  EXPECT_THAT(analysis.err, ::testing::HasSubstr(note));
  EXPECT_TRUE(FolderState(Folder()) == before) << "an analysis changed a file";

  const ProgramOutcome tuning = RunProgram(CheckArguments(Folder(), true));
  if (!refusal.empty()) {
    EXPECT_EQ(tuning.status, 2);
    EXPECT_THAT(tuning.err, ::testing::HasSubstr(refusal));
    EXPECT_TRUE(FolderState(Folder()) == before) << "a refused tuning run changed a file";
    return;
  }
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  const std::string written = ReadFile(Hive());
  EXPECT_TRUE(base_block::Clean(Bytes(written)));
  EXPECT_EQ(base_block::PrimarySequence(Bytes(written)), 2131u);
}

// clang-format off
const HostileLogsRow kHostileLogsRows[] = {
    {"DamagedEntryInLog1", [](HiveFiles& files) { files.log1[30000] ^= 1; },
     "LOG1 and LOG2 hold 21 entries (2110 to 2130) that do not apply, since LOG1's entry after entry 2108 is damaged",
     "hold changes that cannot be applied"},
    {"Log1CutInAnEntry", [](HiveFiles& files) { files.log1.resize(30000); },
     "LOG2 holds 20 entries (2111 to 2130) that do not apply, since LOG1 is cut short in the entry after entry 2108",
     "hold changes that cannot be applied"},
    {"DamagedFirstEntryOfLog1", [](HiveFiles& files) { files.log1[1000] ^= 1; },
     "LOG1 holds 3 entries (2108 to 2110) that do not apply, since LOG1 is torn at its first entry",
     "hold changes that cannot be applied"},
    {"GapBetweenTheLogs", [](HiveFiles& files) { files.log2[2000] ^= 1; },
     "LOG2 holds 19 entries (2112 to 2130) that do not apply, since no entry 2111 follows entry 2110",
     "hold changes that cannot be applied"},
    // A log that does not apply adds no number: the hive is written just above the entries.
    {"RefusedLogAtTheTop", [](HiveFiles& files) { SetSequences(files.log = files.log2.substr(0, 512), 0xFFFFFFFF); }, "", ""},
    {"EntriesUpToTheTop", [](HiveFiles& files) {
       Renumber(files.log1, 0xFFFFFFFF - 2130);
       Renumber(files.log2, 0xFFFFFFFF - 2130);
     }, "", "would wrap around to 0"},
    {"CleanHiveAtTheTop", [](HiveFiles& files) { SetSequences(files.hive, 0xFFFFFFFF); }, "", "would wrap around to 0"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, HostileLogs, ::testing::ValuesIn(kHostileLogsRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace harnlode::testing
