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

  // The lines of one run after its start line, a failed run's too; its report is in `report_`.
  Lines Run(bool analyze_only) {
    log_.lines.clear();
    report_ = log_.Run(system_, analyze_only);
    EXPECT_EQ(report_.lines, log_.lines) << "the report holds what the log was given";
    return AfterStartLine(report_, analyze_only);
  }

  MemoryRegistry& Registry() { return system_.Memory(); }

  MemorySystem system_;
  CollectingLog log_;
  RunReport report_;
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
                                      expected::kReady}));
}

TEST_F(InvestigateRegistry, NoControlSetLeavesTheVerdictToTheDriverFile) {
  EXPECT_EQ(Run(kAnalyze), (Lines{kDriverMissing, kCopyDriver, expected::kNotReady}));
  EXPECT_EQ(report_.verdict, Verdict::kNotReady);
  AddDriverFile();
  EXPECT_EQ(Run(kAnalyze), Lines{expected::kReady});
  EXPECT_EQ(report_.verdict, Verdict::kReady);
  EXPECT_FALSE(report_.failure);
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
  EXPECT_EQ(Run(kAnalyze), report + Lines{expected::kNotReady});
  EXPECT_EQ(Registry().Contents(), before) << "analysis must not write";

  const std::string& group = kWritingGroup;
  const std::string& start = kWritingStart;
  EXPECT_EQ(Run(kTune),
            (Lines{report[0], report[1], group, report[2], start, report[3], group, start,
                   report[4], group, report[5], group, start, expected::kReady}));

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
            ServiceLines({"ControlSet001"}, "System Reserved", 0) + Lines{expected::kReady});
}

TEST_F(InvestigateRegistry, MissingDriverFileMakesEveryRunNotReady) {
  AddUsbServices({"ControlSet001"}, "Base", 3);

  EXPECT_EQ(Run(kAnalyze).back(), expected::kNotReady);
  const Lines tuning = Run(kTune);
  ASSERT_GE(tuning.size(), 3u);
  EXPECT_EQ(Lines(tuning.end() - 3, tuning.end()),
            (Lines{kDriverMissing, kCopyDriver, expected::kNotReady}));
  // The values were written all the same.
  EXPECT_EQ(Run(kAnalyze), ServiceLines({"ControlSet001"}, "System Reserved", 0) +
                               Lines({kDriverMissing, kCopyDriver, expected::kNotReady}));
}

TEST_F(InvestigateRegistry, EmptyGroupOfAnotherTypeReadsAsEmpty) {
  AddUsbServices({"ControlSet001"}, "System Reserved", 0);
  Registry().Put(ServiceKey("ControlSet001", "usbstor"), "Group", kRegDword, {});
  AddDriverFile();
  const Lines lines = Run(kAnalyze);
  EXPECT_EQ(lines.at(5), ServiceLine("ControlSet001", "usbstor", "", 0));
  EXPECT_EQ(lines.back(), expected::kNotReady);
}

// A value that the check does not take ends the run before that service's line, with the
// message that names the value, and no verdict; the failure as raised travels with the report.
class FailuresNameTheValue : public InvestigateRegistry,
                             public ::testing::WithParamInterface<expected::WrongValue> {};

TEST_P(FailuresNameTheValue, AndEndTheRunBeforeTheServiceLine) {
  const expected::WrongValue& row = GetParam();
  AddService("ControlSet001", "usbccgp", "Base", 3);
  AddService("ControlSet001", "usbhub", "Base", 3);
  Registry().Put(ServiceKey("ControlSet001", "usbhub"), row.name, row.type, row.data);
  AddDriverFile();
  EXPECT_THAT([&] { RunReadinessCheck(log_, system_, kAnalyze); },
              ::testing::Throws<EFailedRun>(::testing::Property(&EFailedRun::what, row.message)));
  EXPECT_EQ(Run(kTune), (Lines{ServiceLine("ControlSet001", "usbccgp", "Base", 3), kWritingGroup,
                               kWritingStart}));
  ASSERT_TRUE(report_.failure);
  EXPECT_EQ(report_.failure->message, row.message);
  EXPECT_FALSE(report_.verdict);
}

INSTANTIATE_TEST_SUITE_P(Rows, FailuresNameTheValue, ::testing::ValuesIn(expected::kWrongValues),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(InvestigateRegistry, TheFailureAsRaisedTravelsNestedInTheRunsFailure) {
  Registry().AddKey(ServiceKey("ControlSet001", "usbccgp"));
  try {
    RunReadinessCheck(log_, system_, kAnalyze);
    ADD_FAILURE() << "the run ended";
  } catch (const EFailedRun& failed) {
    EXPECT_THAT([&] { failed.rethrow_nested(); },
                ::testing::ThrowsMessage<ERegistryException>(expected::GetDataFailed("Start")));
  }
}

}  // namespace
}  // namespace harnlode::testing
