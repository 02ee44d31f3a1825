// harnlode-check.exe on the registry of a Wine prefix against harnlode-check on an offline
// installation with the same content: the two reports, exit statuses and failure messages must
// be the same, run after run. Needs the environment that scripts/test-windows sets: WINE (the
// wine program), WINEPREFIX (a prefix made for the tests) and HARNLODE_WINDOWS_CHECK (the .exe).
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "expected_texts.h"
#include "twin_systems.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// What a console shows of COMMAND (a command line of cmd) run in a legacy console whose code page
// is 850, followed by cmd's report of the code page afterwards. Wine gives a program a console
// only on a terminal, so the command runs on one made by script(1); the terminal's control
// sequences are dropped, and blanks too, since the console draws some of them as cursor moves.
std::string ShownInConsole(const std::string& wine, const std::string& command,
                           const fs::path& scratch) {
  const fs::path script = scratch / "console.sh";
  std::ofstream(script) << Quote(wine) << " cmd /c 'chcp 850 >nul & " << command << " & chcp'\n";
  const Outcome run = RunWith({"script", "-qec", "sh " + script.string(), "/dev/null"});
  return std::regex_replace(run.out, std::regex("\x1b\\[[0-9;?]*[A-Za-z]|\\s"), "");
}

// harnlode-check.exe.
std::string WindowsCheck() { return Environment("HARNLODE_WINDOWS_CHECK"); }

// Runs both programs; the Linux one on the offline installation.
std::pair<Outcome, Outcome> Check(TwinSystems& twins, bool tune) {
  std::vector<std::string> windows = {twins.Wine(), WindowsCheck()};
  if (tune) windows.emplace_back("--tune");
  return {twins.CheckOffline(tune), RunWith(windows)};
}

// Runs the check on both sides, expects the same outcome, and returns it.
Outcome CheckBoth(TwinSystems& twins, bool tune) {
  const auto [offline, wine] = Check(twins, tune);
  EXPECT_EQ(wine, offline) << (tune ? "tuning" : "analysis");
  return offline;
}

TEST(WineCheck, AnalysisTuningAnalysisReportAlike) {
  TwinSystems twins;
  twins.AddUsbServices("ControlSet001", "Base", 3);
  twins.AddUsbServices("ControlSet002", "Boot Bus Extender", 3);
  twins.AddService("ControlSet002", "usbstor", "System Reserved", 0);
  twins.AddService("ControlSet003", "usbhub", "system reserved", 0xFFFFFFFF);
  twins.AddService("ControlSet003", "usbohci", std::nullopt, 4);
  twins.AddService("ControlSet003", "usbuhci", "St\xF6rung", 0);  // U+00F6, one code unit
  twins.AddDriverFile();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());

  const Outcome before = CheckBoth(twins, false);
  EXPECT_EQ(before.status, 1);
  EXPECT_NE(before.out.find("usbuhci: St\xC3\xB6rung, 0"), std::string::npos)
      << "stored text reaches the report as UTF-8 on both\n"
      << before.out;
  EXPECT_EQ(CheckBoth(twins, true).status, 0);
  const Outcome after = CheckBoth(twins, false);
  EXPECT_EQ(after.status, 0);
  EXPECT_NE(after.out.find("usbohci: System Reserved, 0"), std::string::npos) << after.out;
}

TEST(WineCheck, AMissingDriverFileKeepsTheSystemNotReady) {
  TwinSystems twins;
  twins.AddUsbServices("ControlSet001", "System Reserved", 0);
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  EXPECT_EQ(CheckBoth(twins, false).status, 1);
  const Outcome tuning = CheckBoth(twins, true);
  EXPECT_EQ(tuning.status, 1);
  EXPECT_NE(tuning.out.find("USBSTOR.SYS not found"), std::string::npos) << tuning.out;
}

// What Windows 10 needs beyond the services, as the live registry holds it: told alike after the
// verdict, set alike by --boot-driver-flags, in the prefix's HardwareConfig and control set.
TEST(WineCheck, Windows10NotesAndBootDriverFlagsAlike) {
  const std::string machine = "HardwareConfig\\{4c4c4544-0042-3210-804d-c4c04f4e3232}";
  TwinSystems twins;
  twins.SetWindows({"6.3", 10, "19041"});
  twins.AddUsbServices("ControlSet001", "System Reserved", 0);
  twins.SetSystemValue("ControlSet001\\Control", "BootDriverFlags", kRegDword, Dword(0x1C));
  twins.SetSystemValue("HardwareConfig", "LastConfig", kRegSz,
                       Utf16Text(machine.substr(machine.find('{'))));
  twins.SetSystemValue(machine, "BootDriverFlags", kRegDword, Dword(0));
  twins.AddDriverFile();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());

  const Outcome analysis = CheckBoth(twins, false);
  EXPECT_EQ(analysis.status, 0);
  EXPECT_NE(analysis.out.find("Missing for a USB start: " + machine +
                              "\\BootDriverFlags 0x0 lacks 0x14; to set it, run "
                              "harnlode-check.exe --tune --boot-driver-flags as administrator"),
            std::string::npos)
      << analysis.out;

  const std::vector<std::string> options = {"--tune", "--boot-driver-flags"};
  const Outcome offline = twins.CheckOffline(options);
  const Outcome wine = RunWith({twins.Wine(), WindowsCheck(), options[0], options[1]});
  EXPECT_EQ(wine, offline);
  EXPECT_NE(wine.out.find("SYSTEM\\" + machine +
                          ": BootDriverFlags 0x0\n\nWriting: BootDriverFlags: 0x14\n\n"),
            std::string::npos)
      << wine.out;
  const Outcome query =
      RunWith({twins.Wine(), "reg", "query", "HKLM\\SYSTEM\\" + machine, "/v", "BootDriverFlags"});
  EXPECT_NE(query.out.find("REG_DWORD    0x14"), std::string::npos) << query;

  const Outcome again = CheckBoth(twins, false);
  EXPECT_NE(again.out.find("The registry holds what Windows 10 (build 19041) needs"),
            std::string::npos)
      << again.out;
}

// A value of a type the check does not take, and the message that ends the run, as the check's
// suite on the in-memory system has them.
class WrongValueType : public ::testing::TestWithParam<expected::WrongValue> {};

TEST_P(WrongValueType, EndsTheRunWithTheSameMessage) {
  const expected::WrongValue& c = GetParam();
  TwinSystems twins;
  twins.AddService("ControlSet001", "usbccgp", "Base", 3);
  twins.AddService("ControlSet001", "usbhub", "Base", 3);
  twins.SetValue("ControlSet001", "usbhub", c.name, c.type, c.data);
  twins.AddDriverFile();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  const Outcome outcome = CheckBoth(twins, true);
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, c.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(Rows, WrongValueType, ::testing::ValuesIn(expected::kWrongValues),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(WineCheck, TheReportShowsInALegacyConsoleWhichGetsItsCodePageBack) {
  TwinSystems twins;
  twins.AddService("ControlSet001", "usbstor", "St\xF6rung", 0);  // U+00F6
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  const struct {
    const char* arguments;
    const char* shown;
  } cases[] = {
      {"", "usbstor:St\xC3\xB6rung"},
      {"--f\xC3\xBCr", "unknownoption\"--f\xC3\xBCr\""},
  };
  for (const auto& c : cases) {
    const std::string shown = ShownInConsole(
        twins.Wine(), WindowsPath(WindowsCheck()) + " " + c.arguments, twins.Scratch());
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    EXPECT_NE(shown.find("codepage:850", shown.find(c.shown)), std::string::npos) << shown;
  }
}

TEST(WineCheck, TheWindowsProgramTakesNoFolder) {
  const std::string wine = Environment("WINE");
  const std::string program = Environment("HARNLODE_WINDOWS_CHECK");
  const Outcome folder = RunWith({wine, program, "c:\\"});
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(folder.err,
            "harnlode-check: on Windows, harnlode-check works on the running system; give no "
            "folder.\n");
  const Outcome help = RunWith({wine, program, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: harnlode-check [--tune [--boot-driver-flags]]\n", 0), 0u)
      << help.out;
}

}  // namespace
}  // namespace harnlode::testing
