// The console program's contract: report on standard output, verdict in the exit status,
// failures on standard error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "investigate.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome RunCheckProgram(const std::string& arguments) {
  TempFolder streams;
  const std::string out = (streams.Path() / "out").string();
  const std::string err = (streams.Path() / "err").string();
  const std::string command =
      std::string(HARNLODE_CHECK_PROGRAM) + " " + arguments + " >" + out + " 2>" + err;
  Outcome outcome;
  const int status = std::system(command.c_str());
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  outcome.out = read(out);
  outcome.err = read(err);
  return outcome;
}

std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

TEST(CheckProgram, ReportsAndTunesWithTheVerdictInItsStatus) {
  TempInstallation windows;
  windows.AddService("ControlSet001", "usbhub", "Base", 3);
  windows.AddDriverFile();
  windows.Commit();
  const std::string line = "SYSTEM\\ControlSet001\\Services\\usbhub: Base, 3\n\n";

  const Outcome analysis = RunCheckProgram(Quote(windows.Folder()));
  EXPECT_EQ(analysis.status, 1);
  EXPECT_EQ(analysis.out, "Analysing...\n\n\n" + line + kNotReadyVerdict + "\n");
  EXPECT_EQ(analysis.err, "");

  const Outcome tuning = RunCheckProgram("--tune " + Quote(windows.Folder()));
  EXPECT_EQ(tuning.status, 0);
  EXPECT_EQ(tuning.out, "Making configuration, please wait...\n\n\n" + line +
                            "Writing: Group: System Reserved\n\nWriting: Start: 0\n\n" +
                            kReadyVerdict + "\n");

  EXPECT_EQ(RunCheckProgram(Quote(windows.Folder())).status, 0);
}

TEST(CheckProgram, FailuresGoToStandardErrorWithStatusTwo) {
  TempInstallation windows;
  windows.AddService("ControlSet001", "usbccgp", "Base", 3);
  windows.AddService("ControlSet001", "usbhub", "Base", std::nullopt);
  windows.Commit();

  const Outcome failed = RunCheckProgram(Quote(windows.Folder()));
  EXPECT_EQ(failed.status, 2);
  EXPECT_EQ(failed.out, "Analysing...\n\n\nSYSTEM\\ControlSet001\\Services\\usbccgp: Base, 3\n\n");
  EXPECT_EQ(failed.err, "Fehler beim Holen der Daten für 'Start'\n");

  const Outcome missing = RunCheckProgram(Quote(windows.Folder() / "nowhere"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_THAT(missing.err, ::testing::HasSubstr("nowhere\" does not exist"));

  for (const char* wrong : {"", "--frobnicate x", "a b"}) {
    const Outcome usage = RunCheckProgram(wrong);
    EXPECT_EQ(usage.status, 2) << wrong;
    EXPECT_THAT(usage.err, ::testing::HasSubstr("--help")) << wrong;
  }
  EXPECT_EQ(RunCheckProgram("--help").status, 0);
  EXPECT_EQ(RunCheckProgram("--version").out, "harnlode-check " HARNLODE_VERSION "\n");
}

}  // namespace
}  // namespace harnlode::testing
