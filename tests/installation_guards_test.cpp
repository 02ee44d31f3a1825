// What keeps a tuning run from writing an installation that must not be written, and how the
// console program explains it: the mount table, the hibernation file, read-only volumes and
// missing rights.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "child_process.h"
#include "file_bytes.h"
#include "offline/hibernation.h"
#include "offline/mount_table.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;

// Where the installation may not be written, the run reads, and the first write is refused.
constexpr std::string_view kWriteFailure = "Fehler beim Setzen der Daten für 'Group'\n";

const char* const kMounts =
    "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "not an entry\n"
    "30 21 8:17 / /media/my\\040disk ro,nosuid master:2 shared:3 - fuseblk /dev/sd\\134b1 "
    "rw,user_id=0\n"
    "31 21 8:33 /sub /mnt/back rw - ntfs3 /dev/sdc1 ro,uid=0\n"
    "32 21 0:50 / /mnt/remote rw - fuse.sshfs host: rw\n";

TEST(MountTable, ParsesEntriesWithEscapesOptionsAndDrivers) {
  const MountTable table = ParseMountTable(kMounts);
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[1].mount_point, "/media/my disk");
  EXPECT_EQ(table[1].source, "/dev/sd\\b1");
  EXPECT_EQ(table[1].Device(), makedev(8, 17));
  EXPECT_EQ(table[2].root, "/sub");
  EXPECT_EQ(table[3].source, "host:");
}

// What each entry of kMounts says of itself, in its order.
struct MountFlags {
  std::size_t entry;
  bool mount_ro, super_ro;
  const char* driver;
  bool ntfs_3g;
};
std::ostream& operator<<(std::ostream& out, const MountFlags& row) { return out << row.entry; }

class MountEntryFlags : public ::testing::TestWithParam<MountFlags> {};

TEST_P(MountEntryFlags, TellReadOnlyAndDriver) {
  const MountFlags& row = GetParam();
  const MountEntry entry = ParseMountTable(kMounts).at(row.entry);
  EXPECT_EQ(entry.MountReadOnly(), row.mount_ro);
  EXPECT_EQ(entry.SuperblockReadOnly(), row.super_ro);
  EXPECT_EQ(entry.ReadOnly(), row.mount_ro || row.super_ro);
  EXPECT_EQ(entry.DriverName(), row.driver);
  EXPECT_EQ(entry.IsNtfs3g(), row.ntfs_3g);
}

INSTANTIATE_TEST_SUITE_P(Rows, MountEntryFlags,
                         ::testing::Values(MountFlags{0, false, false, "ext4", false},
                                           MountFlags{1, true, false, "ntfs-3g", true},
                                           MountFlags{2, false, true, "ntfs3", false},
                                           MountFlags{3, false, false, "sshfs", false}),
                         [](const auto& info) {
                           return "Entry" + std::to_string(info.param.entry);
                         });

struct Holding {
  const char* what;
  const char* path;
  std::optional<dev_t> device;
  unsigned long id;
};
std::ostream& operator<<(std::ostream& out, const Holding& row) { return out << row.what; }

class MountHoldingAPath : public ::testing::TestWithParam<Holding> {};

TEST_P(MountHoldingAPath, IsFoundByDeviceThenByLongestMountPoint) {
  const MountTable table = ParseMountTable(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:17 / /mnt/win rw - ntfs3 /dev/sdb1 rw\n"
      "3 1 8:33 / /media/usb rw - vfat /dev/sdc1 rw\n"
      "4 3 8:49 / /media/usb rw - ntfs3 /dev/sdd1 ro\n"
      "5 1 8:17 /Windows /srv/windows rw - ntfs3 /dev/sdb1 rw\n");
  const MountEntry* entry = MountHolding(table, GetParam().path, GetParam().device);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->id, GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MountHoldingAPath,
    ::testing::Values(
        Holding{"ByDevice", "/mnt/win/Windows/System32", makedev(8, 17), 2},
        Holding{"ANameThatOnlyStartsLikeAMountPoint", "/mnt/windows", std::nullopt, 1},
        Holding{"ADeviceNoEntryHasByLongestMountPoint", "/mnt/win/x", makedev(0, 99), 2},
        Holding{"TheMountOnTop", "/media/usb/a", std::nullopt, 4},
        Holding{"TheCoveredOneWhenTheDeviceSaysSo", "/media/usb/a", makedev(8, 33), 3},
        Holding{"ABindMountOfASubfolder", "/srv/windows/System32", makedev(8, 17), 5}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(MountTable, AFuseMountIsNtfs3gWhenItsSourceHoldsAnNtfsVolume) {
  // ntfs-3g mounts an image file as plain "fuse", a device as "fuseblk"; others share the types.
  TempFolder folder;
  const fs::path image = folder.Path() / "ntfs.img", text = folder.Path() / "notes.img";
  WriteFile(image, std::string("\xEB\x52\x90NTFS    ") + std::string(500, '\0'));
  WriteFile(text, std::string(512, 'x'));
  MountTable table = ParseMountTable("1 0 0:41 / /a ro - fuse " + image.string() + " ro\n" +
                                     "2 0 0:42 / /b ro - fuse " + text.string() + " ro\n" +
                                     "3 0 0:43 / /c ro - fuseblk " + text.string() + " ro\n" +
                                     "4 0 0:44 / /d ro - fuseblk /nowhere/sdz1 ro\n");
  ProbeFuseSources(table);
  std::vector<std::string> drivers;
  for (const MountEntry& entry : table) drivers.push_back(entry.DriverName());
  EXPECT_THAT(drivers, ::testing::ElementsAre("ntfs-3g", "fuse", "fuseblk", "ntfs-3g"));
  EXPECT_TRUE(table[0].IsNtfs3g());
}

TEST(MountTable, AnEmptyTableHoldsNothing) {
  EXPECT_EQ(MountHolding(MountTable{}, "/x", std::nullopt), nullptr);
}

struct HibernationRow {
  const char* what;
  const char* name;  // nullptr: no file
  std::string header;
  HibernationState state;
};
std::ostream& operator<<(std::ostream& out, const HibernationRow& row) { return out << row.what; }

class HibernationFile : public ::testing::TestWithParam<HibernationRow> {};

TEST_P(HibernationFile, TellsItsState) {
  const HibernationRow& row = GetParam();
  TempFolder folder;
  if (row.name != nullptr) std::ofstream(folder.Path() / row.name) << row.header;
  const Hibernation found = InstallationHibernation(folder.Path());
  EXPECT_EQ(found.state, row.state);
  EXPECT_EQ(found.reason.empty(), row.state != HibernationState::kUnknown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HibernationFile,
    ::testing::Values(
        HibernationRow{"NoFile", nullptr, "", HibernationState::kNotHibernated},
        HibernationRow{"Empty", "hiberfil.sys", "", HibernationState::kNotHibernated},
        HibernationRow{"Zeros", "HIBERFIL.SYS", std::string(4096, '\0'),
                       HibernationState::kNotHibernated},
        HibernationRow{"hibr", "hiberfil.sys", "hibr" + std::string(100, 'x'),
                       HibernationState::kHibernated},
        HibernationRow{"HIBR", "Hiberfil.sys", "HIBR", HibernationState::kHibernated},
        HibernationRow{"wake", "hiberfil.sys", "wake", HibernationState::kNotHibernated},
        HibernationRow{"WAKE", "hiberfil.sys", "WAKE", HibernationState::kNotHibernated},
        HibernationRow{"RSTR", "hiberfil.sys", "RSTR", HibernationState::kHibernated},
        HibernationRow{"PAGE", "hiberfil.sys", "PAGE", HibernationState::kUnknown},
        HibernationRow{"CutShort", "hiberfil.sys", "hi", HibernationState::kUnknown}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(Hibernation, AFileThatCannotBeReadIsUnknown) {
  TempFolder outside;
  TempFolder folder;
  std::ofstream(outside.Path() / "image") << "wake";
  fs::create_symlink(outside.Path() / "image", folder.Path() / "hiberfil.sys");
  const Hibernation linked = InstallationHibernation(folder.Path());
  EXPECT_EQ(linked.state, HibernationState::kUnknown);
  EXPECT_THAT(linked.reason, HasSubstr("outside the folder"));

  TempFolder locked;
  OpenUpTo(locked.Path());
  std::ofstream(locked.Path() / "hiberfil.sys") << "wake";
  fs::permissions(locked.Path() / "hiberfil.sys", fs::perms::none);
  EXPECT_EQ(RunUnprivileged([&] {
              const Hibernation found = InstallationHibernation(locked.Path());
              return found.state == HibernationState::kUnknown &&
                             found.reason.starts_with("cannot be read")
                         ? 0
                         : 1;
            }),
            0);
}

// An installation whose six services all need tuning, with the console program run on it.
class ConsoleGuards : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_.AddUsbServices({"ControlSet001"}, "Base", 3);
    windows_.AddDriverFile();
    windows_.Commit();
    hive_ = ReadFile(windows_.HivePath());
    fs::permissions(streams_.Path(), fs::perms::all);
  }

  // Status and standard error of harnlode-check [--tune] on `folder`, as the user running `run`.
  std::pair<int, std::string> Check(const fs::path& folder, bool tune,
                                    int (*run)(const std::function<int()>&) = RunInChild) {
    const fs::path err = streams_.Path() / "err";
    const int status =
        run([&] { return ChildProcess(CheckArguments(folder, tune), {.err = err}).Wait(); });
    return {status, ReadFile(err)};
  }

  TempInstallation windows_;
  std::string hive_;
  TempFolder streams_;
};

struct HibernatedRow {
  const char* header;
  const char* explained;
};
std::ostream& operator<<(std::ostream& out, const HibernatedRow& row) { return out << row.header; }

class HibernatedConsole : public ConsoleGuards,
                          public ::testing::WithParamInterface<HibernatedRow> {};

TEST_P(HibernatedConsole, AHibernatedInstallationIsAnalysedButNotTuned) {
  std::ofstream(windows_.Folder() / "hiberfil.sys") << GetParam().header;
  EXPECT_EQ(Check(windows_.Folder(), false), std::make_pair(1, std::string()));
  const auto [status, errors] = Check(windows_.Folder(), true);
  EXPECT_EQ(status, 2);
  EXPECT_THAT(errors, HasSubstr(GetParam().explained));
  EXPECT_THAT(errors, HasSubstr("shut it down fully (hold Shift while choosing Shut down)"));
  EXPECT_THAT(errors, EndsWith(std::string(".\n") + std::string(kWriteFailure)));
  EXPECT_TRUE(ReadFile(windows_.HivePath()) == hive_) << "the hive was changed";
}

// A save cut off inside ntfs-3g's rename leaves no SYSTEM, the old hive under a spare name. An
// analysis reads it and changes nothing; a tuning run puts it back when it may, and otherwise
// says why, changing nothing. Only files provably left over by saves are removed.
struct SpareRow {
  const char* what;
  bool hive_there;  // SYSTEM itself is there
  std::vector<std::pair<std::string, bool>>
      files;                // beside it: name, holds the old hive (or a text)
  const char* hibernation;  // the header of hiberfil.sys, if any
  int analysis_status;
  const char* analysis_says;
  int tuning_status;
  const char* tuning_says;
  std::vector<std::string> left;  // the names beside SYSTEM after a tuning run that saved
};
std::ostream& operator<<(std::ostream& out, const SpareRow& row) { return out << row.what; }

class InterruptedRename : public ConsoleGuards, public ::testing::WithParamInterface<SpareRow> {};

std::map<std::string, std::string> FolderContents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::directory_iterator(folder)) {
    contents[entry.path().filename()] = ReadFile(entry.path());
  }
  return contents;
}

TEST_P(InterruptedRename, TheSpareIsReadPutBackOrLeftAlone) {
  const SpareRow& row = GetParam();
  const fs::path config = windows_.HivePath().parent_path();
  if (!row.hive_there) fs::remove(config / "SYSTEM");
  for (const auto& [name, is_hive] : row.files) WriteFile(config / name, is_hive ? hive_ : "notes");
  WriteFile(config / ".SYSTEM.harnlode-a1B2c3", "the new hive, flushed");
  if (row.hibernation != nullptr) WriteFile(windows_.Folder() / "hiberfil.sys", row.hibernation);
  const std::map<std::string, std::string> before = FolderContents(config);

  const auto [analysed, analysis_errors] = Check(windows_.Folder(), false);
  EXPECT_EQ(analysed, row.analysis_status) << analysis_errors;
  EXPECT_THAT(analysis_errors, HasSubstr(row.analysis_says));
  EXPECT_TRUE(FolderContents(config) == before) << "the analysis changed the folder";

  const auto [tuned, tuning_errors] = Check(windows_.Folder(), true);
  EXPECT_EQ(tuned, row.tuning_status) << tuning_errors;
  EXPECT_THAT(tuning_errors, HasSubstr(row.tuning_says));
  if (tuned == 2) {
    EXPECT_TRUE(FolderContents(config) == before) << "the refused run changed the folder";
    return;
  }
  std::vector<std::string> left = row.left;
  left.push_back("SYSTEM");
  std::map<std::string, std::string> after = FolderContents(config);
  EXPECT_THAT(after, ::testing::Each(::testing::Key(::testing::AnyOfArray(left))));
  EXPECT_EQ(after.size(), left.size());
  for (const std::string& name : row.left) EXPECT_EQ(after[name], before.at(name));
  EXPECT_EQ(Check(windows_.Folder(), false).first, 0) << "the hive put back was not tuned";
}

constexpr bool kHive = true;
constexpr bool kText = false;
constexpr const char* kReadTheSpare = "Harnlode read that one; a tuning run (Tune) puts it back";
constexpr const char* kLeftAlone = "so Harnlode left it alone";

INSTANTIATE_TEST_SUITE_P(
    Rows, InterruptedRename,
    ::testing::Values(SpareRow{"OneSpare",
                               false,
                               {{"SYSTEM.ntfs-3g-0000000001", kHive}},
                               nullptr,
                               1,
                               kReadTheSpare,
                               0,
                               "",
                               {}},
                      SpareRow{"LowerCase",
                               false,
                               {{"system.ntfs-3g-0000000007", kHive}},
                               nullptr,
                               1,
                               kReadTheSpare,
                               0,
                               "",
                               {}},
                      SpareRow{"AText",
                               false,
                               {{"system.ntfs-3g-42", kText}},
                               nullptr,
                               2,
                               "is no whole registry hive, so Harnlode leaves it alone",
                               2,
                               "holds no Windows installation",
                               {}},
                      SpareRow{"AHiveAndAText",
                               false,
                               {{"SYSTEM.ntfs-3g-0000000001", kHive}, {"SYSTEM.ntfs-3g-2", kText}},
                               nullptr,
                               1,
                               kReadTheSpare,
                               0,
                               kLeftAlone,
                               {"SYSTEM.ntfs-3g-2"}},
                      SpareRow{"TwoSpares",
                               false,
                               {{"SYSTEM.ntfs-3g-0000000001", kHive},
                                {"SYSTEM.ntfs-3g-0000000002", kHive}},
                               nullptr,
                               2,
                               "cannot tell which",
                               2,
                               "cannot tell which",
                               {}},
                      SpareRow{"Hibernated",
                               false,
                               {{"SYSTEM.ntfs-3g-0000000001", kHive}},
                               "HIBR",
                               1,
                               kReadTheSpare,
                               2,
                               "may be hibernated",
                               {}},
                      SpareRow{"AnOldCopyBesideTheHive",
                               true,
                               {{"SYSTEM.ntfs-3g-3", kHive}},
                               nullptr,
                               1,
                               "",
                               0,
                               "",
                               {}},
                      SpareRow{"ATextBesideTheHive",
                               true,
                               {{"SYSTEM.ntfs-3g-7", kText}},
                               nullptr,
                               1,
                               "",
                               0,
                               kLeftAlone,
                               {"SYSTEM.ntfs-3g-7"}}),
    [](const auto& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    Rows, HibernatedConsole,
    ::testing::Values(HibernatedRow{"HIBR", "is hibernated: its file"},
                      HibernatedRow{
                          "abcd", "cannot tell whether the Windows on this volume is hibernated"}),
    [](const auto& info) { return std::string(info.param.header); });

TEST_F(ConsoleGuards, AHiveTheUserMayNotWriteIsExplained) {
  const fs::path hive = windows_.HivePath();
  OpenUpTo(hive);
  fs::permissions(hive, fs::perms(0444));
  fs::permissions(hive.parent_path(), fs::perms(0555));
  EXPECT_EQ(Check(windows_.Folder(), false, RunUnprivileged), std::make_pair(1, std::string()));
  const auto [status, errors] = Check(windows_.Folder(), true, RunUnprivileged);
  fs::permissions(hive.parent_path(), fs::perms(0755));
  EXPECT_EQ(status, 2);
  EXPECT_THAT(errors,
              HasSubstr("may not write the registry hive \"" + hive.string() + "\" or its folder"));
  EXPECT_THAT(errors, EndsWith("for example with sudo.\n" + std::string(kWriteFailure)));
  EXPECT_TRUE(ReadFile(hive) == hive_);
}

TEST_F(ConsoleGuards, AReadOnlyVolumeIsExplainedWithItsDevice) {
  TempFolder mount_point;
  if (::mount("harnlode-ro", mount_point.Path().c_str(), "tmpfs", 0, "size=16m") != 0) {
    GTEST_SKIP() << "this machine does not let the tests mount a filesystem: "
                 << std::strerror(errno);
  }
  struct Unmount {
    const fs::path& at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{mount_point.Path()};
  fs::copy(windows_.Folder(), mount_point.Path(), fs::copy_options::recursive);
  ASSERT_EQ(::mount(nullptr, mount_point.Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
            0)
      << std::strerror(errno);
  EXPECT_EQ(Check(mount_point.Path(), false), std::make_pair(1, std::string()));
  const auto [status, errors] = Check(mount_point.Path(), true);
  EXPECT_EQ(status, 2);
  EXPECT_THAT(errors, HasSubstr("is mounted read-only: harnlode-ro at \"" +
                                mount_point.Path().string() + "\", with the driver tmpfs"));
  EXPECT_THAT(errors, EndsWith("then try again.\n" + std::string(kWriteFailure)));
}

}  // namespace
}  // namespace harnlode::testing
