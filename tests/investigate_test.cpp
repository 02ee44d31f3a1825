// The readiness check and tuning, run on the in-memory system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "check_report.h"
#include "collecting_log.h"
#include "memory_system.h"
#include "registry.h"

namespace harnlode::testing {
namespace {

std::vector<std::uint8_t> Dword(std::uint32_t n) {
  return {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
}

std::string ServiceKey(const std::string& set, const std::string& service) {
  return "SYSTEM\\" + set + "\\Services\\" + service;
}

class InvestigateRegistry : public ::testing::Test {
 protected:
  // A service key of a control set with the given values; a missing optional leaves it out.
  void AddService(const std::string& set, const std::string& service,
                  std::optional<std::string> group, std::optional<std::uint32_t> start) {
    const std::string key = ServiceKey(set, service);
    Registry().Put(key, "Type", kRegDword, Dword(1));
    if (group) Registry().Put(key, "Group", kRegSz, StoredText(*group));
    if (start) Registry().Put(key, "Start", kRegDword, Dword(*start));
  }
  void AddUsbServices(std::initializer_list<std::string> sets, const std::string& group,
                      std::uint32_t start) {
    for (const std::string& set : sets) {
      for (const std::string& service : UsbServiceNames) AddService(set, service, group, start);
    }
  }
  void AddDriverFile() { system_.AddFile("c:\\windows\\system32\\drivers\\usbstor.sys"); }

  // The report of one run; the lines before a failure are in `log_` as well.
  Lines Run(bool analyze_only) {
    UseTargetSystem use(system_);
    log_.lines.clear();
    log_.Run(analyze_only);
    return log_.lines;
  }

  MemoryRegistry& Registry() { return system_.Memory(); }

  MemorySystem system_;
  CollectingLog log_;
};

TEST_F(InvestigateRegistry, MissingControlSetsAndServicesAreSkippedSilently) {
  AddUsbServices({"ControlSet002"}, "System Reserved", 0);
  Registry().AddKey("SYSTEM\\ControlSet001\\Services\\Tcpip");   // a set without USB services
  Registry().AddKey("SYSTEM\\ControlSet004\\Services\\usbhub");  // never looked at
  AddService("CurrentControlSet", "usbhub", "Base", 3);
  AddService("ControlSet003", "usbstor", "System Reserved", 0);
  AddDriverFile();

  EXPECT_EQ(Run(kAnalyze), ServiceLines({"ControlSet002"}, "System Reserved", 0) +
                               Lines({ServiceLine("ControlSet003", "usbstor", "System Reserved", 0),
                                      kReadyVerdict}));
}

TEST_F(InvestigateRegistry, NoControlSetLeavesTheVerdictToTheDriverFile) {
  EXPECT_EQ(Run(kAnalyze), (Lines{kDriverMissing, kCopyDriver, kNotReadyVerdict}));
  AddDriverFile();
  EXPECT_EQ(Run(kAnalyze), Lines{kReadyVerdict});
}

TEST_F(InvestigateRegistry, TuningWritesExactlyTheValuesThatDiffer) {
  AddService("ControlSet001", "usbccgp", "System Reserved", 0);
  AddService("ControlSet001", "usbehci", "system reserved", 0);  // wrong case
  AddService("ControlSet001", "usbhub", "System Reserved", 4);   // disabled
  AddService("ControlSet001", "usbohci", "Base", 0xFFFFFFFF);    // reads as -1
  AddService("ControlSet001", "usbstor", std::nullopt, 3);       // no Group
  AddService("ControlSet001", "usbuhci", std::nullopt, 0);
  Registry().Put(ServiceKey("ControlSet001", "usbuhci"), "Group", kRegSz, {});  // empty data
  Registry().Put(ServiceKey("ControlSet001", "usbccgp"), "DisplayName", kRegSz,
                 StoredText("keep me"));
  AddDriverFile();
  const auto before = Registry().Contents();

  const Lines report = {
      ServiceLine("ControlSet001", "usbccgp", "System Reserved", 0),
      ServiceLine("ControlSet001", "usbehci", "system reserved", 0),
      ServiceLine("ControlSet001", "usbhub", "System Reserved", 4),
      ServiceLine("ControlSet001", "usbohci", "Base", -1),
      ServiceLine("ControlSet001", "usbuhci", "", 0),
      ServiceLine("ControlSet001", "usbstor", "", 3),
  };
  EXPECT_EQ(Run(kAnalyze), report + Lines{kNotReadyVerdict});
  EXPECT_EQ(Registry().Contents(), before) << "analysis must not write";

  const std::string& group = kWritingGroup;
  const std::string& start = kWritingStart;
  EXPECT_EQ(Run(kTune), (Lines{report[0], report[1], group, report[2], start, report[3], group,
                               start, report[4], group, report[5], group, start, kReadyVerdict}));

  // Exactly the rewritten values differ, each now as wanted; everything else is as it was.
  auto expected = before;
  for (const char* service : {"usbehci", "usbohci", "usbuhci", "usbstor"}) {
    expected["system\\controlset001\\services\\" + std::string(service) + "\\group"] = {
        kRegSz, StoredText("System Reserved")};
  }
  for (const char* service : {"usbhub", "usbohci", "usbstor"}) {
    expected["system\\controlset001\\services\\" + std::string(service) + "\\start"] = {kRegDword,
                                                                                        Dword(0)};
  }
  EXPECT_EQ(Registry().Contents(), expected);

  EXPECT_EQ(Run(kAnalyze),
            ServiceLines({"ControlSet001"}, "System Reserved", 0) + Lines{kReadyVerdict});
}

TEST_F(InvestigateRegistry, MissingDriverFileMakesEveryRunNotReady) {
  AddUsbServices({"ControlSet001"}, "Base", 3);

  EXPECT_EQ(Run(kAnalyze).back(), kNotReadyVerdict);
  const Lines tuning = Run(kTune);
  ASSERT_GE(tuning.size(), 3u);
  EXPECT_EQ(Lines(tuning.end() - 3, tuning.end()),
            (Lines{kDriverMissing, kCopyDriver, kNotReadyVerdict}));
  // The values were written all the same.
  EXPECT_EQ(Run(kAnalyze), ServiceLines({"ControlSet001"}, "System Reserved", 0) +
                               Lines({kDriverMissing, kCopyDriver, kNotReadyVerdict}));
}

TEST_F(InvestigateRegistry, EmptyGroupOfAnotherTypeReadsAsEmpty) {
  AddUsbServices({"ControlSet001"}, "System Reserved", 0);
  Registry().Put(ServiceKey("ControlSet001", "usbstor"), "Group", kRegDword, {});
  AddDriverFile();
  const Lines lines = Run(kAnalyze);
  EXPECT_EQ(lines.at(5), ServiceLine("ControlSet001", "usbstor", "", 0));
  EXPECT_EQ(lines.back(), kNotReadyVerdict);
}

// A service key whose values end the run before its line, with the message that names the value.
struct Failure {
  const char* what;
  std::vector<std::pair<std::string, StoredValue>> values;
  const char* message;
};

std::ostream& operator<<(std::ostream& out, const Failure& failure) { return out << failure.what; }

class FailuresNameTheValue : public InvestigateRegistry,
                             public ::testing::WithParamInterface<Failure> {};

TEST_P(FailuresNameTheValue, AndEndTheRunBeforeTheServiceLine) {
  Registry().AddKey(ServiceKey("ControlSet001", "usbccgp"));
  for (const auto& [name, value] : GetParam().values) {
    Registry().Put(ServiceKey("ControlSet001", "usbccgp"), name, value.type, value.data);
  }
  EXPECT_THAT([&] { Run(kAnalyze); },
              ::testing::ThrowsMessage<ERegistryException>(GetParam().message));
  EXPECT_TRUE(log_.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FailuresNameTheValue,
    ::testing::Values(Failure{"NoStart", {}, "Fehler beim Holen der Daten für 'Start'"},
                      Failure{"StartLongerThan4Bytes",
                              {{"Start", {kRegDword, std::vector<std::uint8_t>(8, 0)}}},
                              "Fehler beim Holen der Daten für 'Start'"},
                      Failure{"StartAsBinary",
                              {{"Start", {kRegBinary, {0, 0, 0, 0}}}},
                              "Ungültiger Datentyp für 'Start'"},
                      Failure{"GroupAsNumber",
                              {{"Group", {kRegDword, Dword(1)}}, {"Start", {kRegDword, Dword(0)}}},
                              "Ungültiger Datentyp für 'Group'"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace harnlode::testing
