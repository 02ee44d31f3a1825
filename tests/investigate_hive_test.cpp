// The readiness check and tuning end to end, on real hive files and folders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "check_report.h"
#include "installation_check.h"
#include "registry.h"
#include "sample_installation.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

TEST(InvestigateRegistry, ReadySystemIsReportedAndLeftUntouched) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001", "ControlSet002", "ControlSet003"}, "System Reserved", 0);
  windows.AddDriverFile();
  windows.Commit();
  const auto before = std::filesystem::last_write_time(windows.HivePath());
  const HiveContents contents = ReadHiveContents(windows.HivePath());

  for (bool mode : {kAnalyze, kTune}) {
    EXPECT_EQ(
        RunCheck(windows.Folder(), mode),
        ServiceLines({"ControlSet001", "ControlSet002", "ControlSet003"}, "System Reserved", 0) +
            Lines{expected::kReady});
  }
  EXPECT_EQ(std::filesystem::last_write_time(windows.HivePath()), before);
  EXPECT_EQ(ReadHiveContents(windows.HivePath()), contents);
}

TEST(InvestigateRegistry, TuningTheSampleChangesExactlyTheTwoValuesOfEachUsbService) {
  TempFolder folder;
  MakeSampleInstallation(folder.Path());
  const std::filesystem::path hive = folder.Path() / "Windows/System32/config/SYSTEM";
  const HiveContents before = ReadHiveContents(hive);

  EXPECT_EQ(RunCheck(folder.Path(), kTune).back(), expected::kReady);
  EXPECT_EQ(RunCheck(folder.Path(), kAnalyze),
            ServiceLines({"ControlSet001", "ControlSet002"}, "System Reserved", 0) +
                Lines{expected::kReady});

  HiveContents changed;
  const HiveContents after = ReadHiveContents(hive);
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [key, values] : after) {
    for (const auto& [name, value] : values) {
      if (!before.at(key).contains(name) || before.at(key).at(name) != value) {
        changed[key][name] = value;
      }
    }
  }
  EXPECT_EQ(changed.size(), 12u);
  for (const auto& [key, values] : changed) {
    EXPECT_EQ(values.size(), 2u) << key;
    EXPECT_EQ(values.at("start"), (HiveValue{kRegDword, {0, 0, 0, 0}})) << key;
    EXPECT_EQ(values.at("group").type, kRegSz) << key;
  }
}

TEST(InvestigateRegistry, DriverFileNameMatchesWithoutRegardToCaseAndOnlyAFileCounts) {
  TempInstallation windows;
  windows.Commit();
  std::filesystem::create_directory(windows.Folder() / "Windows/System32/drivers/usbstor.sys");
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze),
            (Lines{kDriverMissing, kCopyDriver, expected::kNotReady}));
  std::filesystem::remove(windows.Folder() / "Windows/System32/drivers/usbstor.sys");
  std::filesystem::rename(windows.Folder() / "Windows/System32",
                          windows.Folder() / "Windows/system32");
  std::filesystem::create_directories(windows.Folder() / "Windows/system32/DRIVERS");
  std::ofstream(windows.Folder() / "Windows/system32/DRIVERS/UsbStor.sys") << "driver";
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze), Lines{expected::kReady});
}

TEST(InvestigateRegistry, RegistryFailureEndsTheRunAndKeepsWhatWasDone) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "Base", 3);
  windows.Hive().SetText("ControlSet001\\Services\\usbhub", "Start", "3");
  windows.AddDriverFile();
  windows.Commit();

  OfflineSystem system(windows.Folder());
  CollectingLog log;
  const RunReport report = log.Run(system, kTune);
  EXPECT_EQ(FailureOf(report), expected::InvalidDataType("Start"));
  const Lines written = {kWritingGroup, kWritingStart};
  EXPECT_EQ(AfterStartLine(report, kTune),
            Lines{ServiceLine("ControlSet001", "usbccgp", "Base", 3)} + written +
                Lines{ServiceLine("ControlSet001", "usbehci", "Base", 3)} + written);

  // The values written before the failure reached the hive.
  const HiveContents after = ReadHiveContents(windows.HivePath());
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbehci").at("start").data,
            (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbhub").at("group").type, kRegSz);
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbuhci").at("start").data,
            (std::vector<std::uint8_t>{3, 0, 0, 0}));
}

TEST(InvestigateRegistry, WithoutWriteAccessTheRunReadsAndFailsAtItsFirstWrite) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "Base", 3);
  windows.AddDriverFile();
  windows.Commit();
  OpenUpTo(windows.HivePath());
  std::filesystem::permissions(windows.HivePath(), std::filesystem::perms(0644));

  const int result = RunUnprivileged([&] {
    OfflineSystem system(windows.Folder());
    CollectingLog log;
    const RunReport report = log.Run(system, kTune);
    return FailureOf(report) == expected::SetDataFailed("Group") && log.lines.size() == 3 &&
                   log.lines.back() == kWritingGroup
               ? 0
               : 1;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(
      ReadHiveContents(windows.HivePath()).at("ControlSet001\\Services\\usbccgp").at("start").data,
      (std::vector<std::uint8_t>{3, 0, 0, 0}));
}

}  // namespace
}  // namespace harnlode::testing
