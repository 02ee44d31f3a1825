// The readiness check and tuning, run on real hive files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collecting_log.h"
#include "registry.h"
#include "sample_installation.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

using Lines = std::vector<std::string>;
constexpr bool kAnalyze = true;
constexpr bool kTune = false;

const std::string kDriverMissing = "USBSTOR.SYS not found at c:\\windows\\system32\\DRIVERS\\\n";
const std::string kCopyDriver = "Copy driver to that directory and system will boot from USB.\n";

std::string ServiceLine(const std::string& set, const std::string& service,
                        const std::string& group, int start) {
  return "SYSTEM\\" + set + "\\Services\\" + service + ": " + group + ", " + std::to_string(start) +
         "\n";
}

Lines ServiceLines(std::initializer_list<std::string> sets, const std::string& group, int start) {
  Lines lines;
  for (const std::string& set : sets) {
    for (const std::string& service : UsbServiceNames) {
      lines.push_back(ServiceLine(set, service, group, start));
    }
  }
  return lines;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

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
            Lines{kReadyVerdict});
  }
  EXPECT_EQ(std::filesystem::last_write_time(windows.HivePath()), before);
  EXPECT_EQ(ReadHiveContents(windows.HivePath()), contents);
}

TEST(InvestigateRegistry, MissingControlSetsAndServicesAreSkippedSilently) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet002"}, "System Reserved", 0);
  windows.Hive().AddKey("ControlSet001\\Services\\Tcpip");   // a set without USB services
  windows.Hive().AddKey("ControlSet004\\Services\\usbhub");  // never looked at
  windows.AddService("CurrentControlSet", "usbhub", "Base", 3);
  windows.AddService("ControlSet003", "usbstor", "System Reserved", 0);
  windows.AddDriverFile();
  windows.Commit();

  EXPECT_EQ(
      RunCheck(windows.Folder(), kAnalyze),
      ServiceLines({"ControlSet002"}, "System Reserved", 0) +
          Lines({ServiceLine("ControlSet003", "usbstor", "System Reserved", 0), kReadyVerdict}));
}

TEST(InvestigateRegistry, NoControlSetLeavesTheVerdictToTheDriverFile) {
  TempInstallation windows;
  windows.Commit();
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze),
            (Lines{kDriverMissing, kCopyDriver, kNotReadyVerdict}));
  windows.AddDriverFile();
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze), Lines{kReadyVerdict});
}

TEST(InvestigateRegistry, TuningWritesExactlyTheValuesThatDiffer) {
  TempInstallation windows;
  windows.AddService("ControlSet001", "usbccgp", "System Reserved", 0);
  windows.AddService("ControlSet001", "usbehci", "system reserved", 0);  // wrong case
  windows.AddService("ControlSet001", "usbhub", "System Reserved", 4);   // disabled
  windows.AddService("ControlSet001", "usbohci", "Base", 0xFFFFFFFF);    // reads as -1
  windows.AddService("ControlSet001", "usbstor", std::nullopt, 3);       // no Group
  windows.AddService("ControlSet001", "usbuhci", std::nullopt, 0);
  windows.Hive().SetValue("ControlSet001\\Services\\usbuhci", "Group", kRegSz, {});  // empty data
  windows.Hive().SetText("ControlSet001\\Services\\usbccgp", "DisplayName", "keep me");
  windows.AddDriverFile();
  windows.Commit();
  const HiveContents before = ReadHiveContents(windows.HivePath());

  const Lines report = {
      ServiceLine("ControlSet001", "usbccgp", "System Reserved", 0),
      ServiceLine("ControlSet001", "usbehci", "system reserved", 0),
      ServiceLine("ControlSet001", "usbhub", "System Reserved", 4),
      ServiceLine("ControlSet001", "usbohci", "Base", -1),
      ServiceLine("ControlSet001", "usbuhci", "", 0),
      ServiceLine("ControlSet001", "usbstor", "", 3),
  };
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze), report + Lines{kNotReadyVerdict});
  EXPECT_EQ(ReadHiveContents(windows.HivePath()), before) << "analysis must not write";

  const std::string group = "Writing: Group: System Reserved\n";
  const std::string start = "Writing: Start: 0\n";
  EXPECT_EQ(RunCheck(windows.Folder(), kTune),
            (Lines{report[0], report[1], group, report[2], start, report[3], group, start,
                   report[4], group, report[5], group, start, kReadyVerdict}));

  // Exactly the rewritten values differ, each now as wanted; everything else is as it was.
  HiveContents expected = before;
  const HiveValue wanted_group{kRegSz,
                               {'S', 0, 'y', 0, 's', 0, 't', 0, 'e', 0, 'm', 0, ' ', 0, 'R', 0,
                                'e', 0, 's', 0, 'e', 0, 'r', 0, 'v', 0, 'e', 0, 'd', 0, 0,   0}};
  const HiveValue wanted_start{kRegDword, {0, 0, 0, 0}};
  for (const char* service : {"usbehci", "usbohci", "usbuhci", "usbstor"}) {
    expected[std::string("ControlSet001\\Services\\") + service]["group"] = wanted_group;
  }
  for (const char* service : {"usbhub", "usbohci", "usbstor"}) {
    expected[std::string("ControlSet001\\Services\\") + service]["start"] = wanted_start;
  }
  EXPECT_EQ(ReadHiveContents(windows.HivePath()), expected);

  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze),
            ServiceLines({"ControlSet001"}, "System Reserved", 0) + Lines{kReadyVerdict});
}

TEST(InvestigateRegistry, TuningTheSampleChangesExactlyTheTwoValuesOfEachUsbService) {
  TempFolder folder;
  MakeSampleInstallation(folder.Path());
  const std::filesystem::path hive = folder.Path() / "Windows/System32/config/SYSTEM";
  const HiveContents before = ReadHiveContents(hive);

  EXPECT_EQ(RunCheck(folder.Path(), kTune).back(), kReadyVerdict);
  EXPECT_EQ(RunCheck(folder.Path(), kAnalyze),
            ServiceLines({"ControlSet001", "ControlSet002"}, "System Reserved", 0) +
                Lines{kReadyVerdict});

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

TEST(InvestigateRegistry, MissingDriverFileMakesEveryRunNotReady) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "Base", 3);
  windows.Commit();
  std::filesystem::create_directory(windows.Folder() / "Windows/System32/drivers/usbstor.sys");

  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze).back(), kNotReadyVerdict);
  const Lines tuning = RunCheck(windows.Folder(), kTune);
  ASSERT_GE(tuning.size(), 3u);
  EXPECT_EQ(Lines(tuning.end() - 3, tuning.end()),
            (Lines{kDriverMissing, kCopyDriver, kNotReadyVerdict}));
  // The values were written all the same.
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze),
            ServiceLines({"ControlSet001"}, "System Reserved", 0) +
                Lines({kDriverMissing, kCopyDriver, kNotReadyVerdict}));
}

TEST(InvestigateRegistry, DriverFileNameMatchesWithoutRegardToCase) {
  TempInstallation windows;
  windows.Commit();
  std::filesystem::rename(windows.Folder() / "Windows/System32",
                          windows.Folder() / "Windows/system32");
  std::filesystem::create_directories(windows.Folder() / "Windows/system32/DRIVERS");
  std::ofstream(windows.Folder() / "Windows/system32/DRIVERS/UsbStor.sys") << "driver";
  EXPECT_EQ(RunCheck(windows.Folder(), kAnalyze), Lines{kReadyVerdict});
}

TEST(InvestigateRegistry, RegistryFailureEndsTheRunAndKeepsWhatWasDone) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "Base", 3);
  windows.Hive().SetText("ControlSet001\\Services\\usbhub", "Start", "3");
  windows.AddDriverFile();
  windows.Commit();

  OfflineSystem system(windows.Folder());
  UseTargetSystem use(system);
  CollectingLog log;
  try {
    log.Run(kTune);
    FAIL() << "the run should have failed";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Start'");
  }
  const Lines written = {"Writing: Group: System Reserved\n", "Writing: Start: 0\n"};
  EXPECT_EQ(log.lines, Lines{ServiceLine("ControlSet001", "usbccgp", "Base", 3)} + written +
                           Lines{ServiceLine("ControlSet001", "usbehci", "Base", 3)} + written);

  // The values written before the failure reached the hive.
  const HiveContents after = ReadHiveContents(windows.HivePath());
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbehci").at("start").data,
            (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbhub").at("group").type, kRegSz);
  EXPECT_EQ(after.at("ControlSet001\\Services\\usbuhci").at("start").data,
            (std::vector<std::uint8_t>{3, 0, 0, 0}));
}

TEST(InvestigateRegistry, FailuresNameTheValue) {
  struct Case {
    const char* what;
    std::function<void(HiveBuilder&, const std::string& key)> set_up;
    const char* message;
  } cases[] = {
      {"no Start", [](HiveBuilder&, const std::string&) {},
       "Fehler beim Holen der Daten für 'Start'"},
      {"Start longer than 4 bytes",
       [](HiveBuilder& hive, const std::string& key) {
         hive.SetValue(key, "Start", kRegDword, std::vector<std::uint8_t>(8, 0));
       },
       "Fehler beim Holen der Daten für 'Start'"},
      {"Start as binary",
       [](HiveBuilder& hive, const std::string& key) {
         hive.SetValue(key, "Start", kRegBinary, std::vector<std::uint8_t>{0, 0, 0, 0});
       },
       "Ungültiger Datentyp für 'Start'"},
      {"Group as number",
       [](HiveBuilder& hive, const std::string& key) {
         hive.SetDword(key, "Group", 1);
         hive.SetDword(key, "Start", 0);
       },
       "Ungültiger Datentyp für 'Group'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempInstallation windows;
    windows.Hive().AddKey("ControlSet001\\Services\\usbccgp");
    c.set_up(windows.Hive(), "ControlSet001\\Services\\usbccgp");
    windows.Commit();
    OfflineSystem system(windows.Folder());
    UseTargetSystem use(system);
    CollectingLog log;
    try {
      log.Run(kAnalyze);
      ADD_FAILURE() << "the run should have failed";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_TRUE(log.lines.empty());
  }
}

TEST(InvestigateRegistry, EmptyGroupOfAnotherTypeReadsAsEmpty) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "System Reserved", 0);
  windows.Hive().SetValue("ControlSet001\\Services\\usbstor", "Group", kRegDword, {});
  windows.AddDriverFile();
  windows.Commit();
  const Lines lines = RunCheck(windows.Folder(), kAnalyze);
  EXPECT_EQ(lines.at(5), ServiceLine("ControlSet001", "usbstor", "", 0));
  EXPECT_EQ(lines.back(), kNotReadyVerdict);
}

TEST(InvestigateRegistry, WithoutWriteAccessTheRunFailsReadingStart) {
  TempInstallation windows;
  windows.AddUsbServices({"ControlSet001"}, "Base", 3);
  windows.AddDriverFile();
  windows.Commit();
  OpenUpTo(windows.HivePath());
  std::filesystem::permissions(windows.HivePath(), std::filesystem::perms(0644));

  const int result = RunUnprivileged([&] {
    OfflineSystem system(windows.Folder());
    UseTargetSystem use(system);
    CollectingLog log;
    try {
      log.Run(kTune);
    } catch (const ERegistryException& e) {
      return std::string(e.what()) == "Fehler beim Holen der Daten für 'Start'" && log.lines.empty()
                 ? 0
                 : 1;
    }
    return 2;
  });
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace harnlode::testing
