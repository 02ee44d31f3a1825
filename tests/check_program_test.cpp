// The console program's contract: report on standard output, verdict in the exit status,
// failures on standard error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "child_process.h"
#include "expected_texts.h"
#include "file_bytes.h"
#include "investigate.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

ProgramOutcome RunCheckProgram(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), HARNLODE_CHECK_PROGRAM);
  return RunProgram(arguments);
}

// One USB service that needs tuning, and the driver file.
void AddUntunedHub(TempInstallation& windows) {
  windows.AddService("ControlSet001", "usbhub", "Base", 3);
  windows.AddDriverFile();
  windows.Commit();
}

TEST(CheckProgram, ReportsAndTunesWithTheVerdictInItsStatus) {
  TempInstallation windows;
  AddUntunedHub(windows);
  const std::string line = "SYSTEM\\ControlSet001\\Services\\usbhub: Base, 3\n\n";

  const ProgramOutcome analysis = RunCheckProgram({windows.Folder()});
  EXPECT_EQ(analysis.status, 1);
  EXPECT_EQ(analysis.out, "Analysing...\n\n\n" + line + expected::kNotReady + "\n");
  EXPECT_EQ(analysis.err, "");

  // A report that cannot be written: the run stops, and a tuning run changes nothing.
  const std::string hive = ReadFile(windows.HivePath());
  for (const std::vector<std::string>& run :
       {std::vector<std::string>{windows.Folder()}, {"--tune", windows.Folder()}, {"--help"}}) {
    std::vector<std::string> arguments = run;
    arguments.insert(arguments.begin(), HARNLODE_CHECK_PROGRAM);
    TempFolder errors;
    ChildProcess full(arguments, {"/dev/full", errors.Path() / "err"});
    EXPECT_EQ(full.Wait(), 2) << run.front();
    EXPECT_THAT(ReadFile(errors.Path() / "err"),
                ::testing::HasSubstr("cannot be written to standard output"));
  }
  EXPECT_TRUE(ReadFile(windows.HivePath()) == hive);

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

// Failures of the machine rather than of the installation, injected into one system call each
// with strace: each is a failure (exit 2) that names the error, never a missing file or folder, a
// damaged hive or a refusal of rights.
struct InjectedFault {
  const char* what;
  bool tune;
  std::vector<std::string> strace;  // the options that pick the call and its error
  const char* error;                // as strerror gives it
  const char* says;
};

TEST(CheckProgram, FailuresOfTheMachineAreToldAsSuch) {
  TempInstallation windows;
  AddUntunedHub(windows);
  const std::string module = "/usr/lib/x86_64-linux-gnu/gconv/ISO8859-1.so";
  const InjectedFault faults[] = {
      {"stat of the folder",
       false,
       {"-P", windows.Folder(), "-e", "inject=newfstatat:error=EIO:when=1"},
       "Input/output error",
       "cannot look into"},
      {"listing a folder",
       false,
       {"-P", (windows.Folder() / "Windows" / "System32").string(), "-e",
        "inject=getdents64:error=EIO:when=1"},
       "Input/output error",
       "cannot tell whether \"c:\\windows\\system32\\DRIVERS\\USBSTOR.SYS\""},
      {"a stopped driver",
       true,
       {"-e", "inject=faccessat2:error=ENOTCONN:when=1"},
       "Transport endpoint is not connected",
       "cannot look into"},
      {"a name conversion module",
       false,
       {"-P", module, "-e", "inject=openat:error=EIO"},
       "Input/output error",
       "could not be read on this machine"},
  };
  const std::string hive = ReadFile(windows.HivePath());
  for (const InjectedFault& fault : faults) {
    if (fault.strace[1] == module && !std::filesystem::exists(module)) continue;
    std::vector<std::string> arguments = {"strace", "-qq", "-f", "-o", "/dev/null"};
#ifdef HARNLODE_SANITIZED_BUILD
    // The leak check cannot run under a tracer.
    arguments.insert(arguments.end(), {"-E", "ASAN_OPTIONS=detect_leaks=0"});
#endif
    arguments.insert(arguments.end(), fault.strace.begin(), fault.strace.end());
    arguments.push_back(HARNLODE_CHECK_PROGRAM);
    if (fault.tune) arguments.push_back("--tune");
    arguments.push_back(windows.Folder());
    const ProgramOutcome run = RunProgram(arguments);
    if (run.status == kCannotStart) GTEST_SKIP() << "no strace here";
    EXPECT_EQ(run.status, 2) << fault.what << ": " << run.err;
    EXPECT_THAT(run.err, ::testing::HasSubstr(fault.error)) << fault.what;
    EXPECT_THAT(run.err, ::testing::HasSubstr(fault.says)) << fault.what;
  }
  EXPECT_TRUE(ReadFile(windows.HivePath()) == hive);
}

}  // namespace
}  // namespace harnlode::testing
