// The console program's contract: report on standard output, verdict in the exit status,
// failures on standard error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "expected_texts.h"
#include "investigate.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

ProgramOutcome RunCheckProgram(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), HARNLODE_CHECK_PROGRAM);
  return RunProgram(arguments);
}

TEST(CheckProgram, ReportsAndTunesWithTheVerdictInItsStatus) {
  TempInstallation windows;
  windows.AddService("ControlSet001", "usbhub", "Base", 3);
  windows.AddDriverFile();
  windows.Commit();
  const std::string line = "SYSTEM\\ControlSet001\\Services\\usbhub: Base, 3\n\n";

  const ProgramOutcome analysis = RunCheckProgram({windows.Folder()});
  EXPECT_EQ(analysis.status, 1);
  EXPECT_EQ(analysis.out, "Analysing...\n\n\n" + line + expected::kNotReady + "\n");
  EXPECT_EQ(analysis.err, "");

  const ProgramOutcome tuning = RunCheckProgram({"--tune", windows.Folder()});
  EXPECT_EQ(tuning.status, 0);
  EXPECT_EQ(tuning.out, "Making configuration, please wait...\n\n\n" + line +
                            "Writing: Group: System Reserved\n\nWriting: Start: 0\n\n" +
                            expected::kReady + "\n");

  EXPECT_EQ(RunCheckProgram({windows.Folder()}).status, 0);
}

TEST(CheckProgram, FailuresGoToStandardErrorWithStatusTwo) {
  TempInstallation windows;
  windows.AddService("ControlSet001", "usbccgp", "Base", 3);
  windows.AddService("ControlSet001", "usbhub", "Base", std::nullopt);
  windows.Commit();

  const ProgramOutcome failed = RunCheckProgram({windows.Folder()});
  EXPECT_EQ(failed.status, 2);
  EXPECT_EQ(failed.out, "Analysing...\n\n\nSYSTEM\\ControlSet001\\Services\\usbccgp: Base, 3\n\n");
  EXPECT_EQ(failed.err, "Fehler beim Holen der Daten für 'Start'\n");

  const ProgramOutcome missing = RunCheckProgram({windows.Folder() / "nowhere"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_THAT(missing.err, ::testing::HasSubstr("nowhere\" does not exist"));

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{}, {"--frobnicate", "x"}, {"a", "b"}}) {
    const ProgramOutcome usage = RunCheckProgram(wrong);
    EXPECT_EQ(usage.status, 2) << wrong.size() << " arguments";
    EXPECT_THAT(usage.err, ::testing::HasSubstr("--help")) << wrong.size() << " arguments";
  }
  EXPECT_EQ(RunCheckProgram({"--help"}).status, 0);
  EXPECT_EQ(RunCheckProgram({"--version"}).out, "harnlode-check " HARNLODE_VERSION "\n");
}

}  // namespace
}  // namespace harnlode::testing
