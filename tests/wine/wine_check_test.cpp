// harnlode-check.exe on the registry of a Wine prefix against harnlode-check on an offline
// installation with the same content: the two reports, exit statuses and failure messages must
// be the same, run after run. Needs the environment that scripts/test-windows sets: WINE (the
// wine program), WINEPREFIX (a prefix made for the tests) and HARNLODE_WINDOWS_CHECK (the .exe).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "child_process.h"
#include "investigate.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;

  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
  return os << "status " << outcome.status << "\n--- out:\n"
            << outcome.out << "--- err:\n"
            << outcome.err;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    throw std::runtime_error(std::string(name) +
                             " is not set; run this through scripts/test-windows");
  }
  return value;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// Lines end in CR LF on Windows; the text between is what is compared.
std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Runs the program with its arguments, in `folder` when one is given, without carriage returns.
Outcome RunWith(const std::vector<std::string>& arguments, const fs::path& folder = {}) {
  const ProgramOutcome run = RunProgram(arguments, folder);
  return {run.status, WithoutCarriageReturns(run.out), WithoutCarriageReturns(run.err)};
}

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

// The path of a Linux file as Wine's drive Z: has it. Wine passes quotes on to cmd escaped, so
// the path must do without blanks.
std::string WindowsPath(const fs::path& path) {
  std::string windows = "Z:" + path.string();
  for (char& c : windows) c = c == '/' ? '\\' : c;
  return windows;
}

// Two hex digits per byte, comma-separated, as registry files write data.
std::string HexBytes(const std::vector<std::uint8_t>& data) {
  std::string hex;
  char digits[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%s%02x", i == 0 ? "" : ",", data[i]);
    hex += digits;
  }
  return hex;
}

std::vector<std::uint8_t> Utf16Text(const std::string& utf8) {
  std::vector<std::uint8_t> data;
  for (unsigned char c : utf8) data.insert(data.end(), {c, 0});  // ASCII and Latin-1 only
  data.insert(data.end(), {0, 0});
  return data;
}

// A registry file in UTF-16LE, the form in which its hex(n) data of text types is taken as it is.
void WriteUtf16File(const fs::path& file, const std::string& ascii) {
  std::ofstream out(file, std::ios::binary);
  out << "\xFF\xFE";
  for (char c : ascii) out << c << '\0';
}

std::vector<std::uint8_t> Dword(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// The same registry content and driver file in an offline installation and in the Wine prefix.
class TwinSystems {
 public:
  TwinSystems()
      : wine_(Environment("WINE")),
        prefix_(Environment("WINEPREFIX")),
        windows_check_(Environment("HARNLODE_WINDOWS_CHECK")) {}

  // One value of a service key, stored as given; the key is made when missing.
  void SetValue(const std::string& control_set, const std::string& service, const std::string& name,
                RegType type, const std::vector<std::uint8_t>& data) {
    const std::string key = control_set + "\\Services\\" + service;
    offline_.Hive().SetValue(key, name, type, data);
    std::ostringstream line;
    line << "\"" << name << "\"=hex(" << std::hex << type << "):" << HexBytes(data) << "\r\n";
    reg_values_[key] += line.str();
  }
  void AddService(const std::string& control_set, const std::string& service,
                  const std::optional<std::string>& group, std::optional<std::uint32_t> start) {
    SetValue(control_set, service, "Type", kRegDword, Dword(1));
    if (group) SetValue(control_set, service, "Group", kRegSz, Utf16Text(*group));
    if (start) SetValue(control_set, service, "Start", kRegDword, Dword(*start));
  }
  void AddUsbServices(const std::string& control_set, const std::string& group,
                      std::uint32_t start) {
    for (const std::string& service : UsbServiceNames) {
      AddService(control_set, service, group, start);
    }
  }
  void AddDriverFile() { driver_file_ = true; }

  // Puts the content in place on both sides: the hive is written, the prefix's control sets are
  // replaced and the driver file is put there or taken away.
  void Apply() {
    offline_.Commit();
    if (driver_file_) offline_.AddDriverFile();

    std::ostringstream reg;
    reg << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const std::string& control_set : ControlSetNames) {
      reg << "[-HKEY_LOCAL_MACHINE\\SYSTEM\\" << control_set << "]\r\n\r\n";
    }
    for (const auto& [key, values] : reg_values_) {
      reg << "[HKEY_LOCAL_MACHINE\\SYSTEM\\" << key << "]\r\n" << values << "\r\n";
    }
    WriteUtf16File(scratch_.Path() / "content.reg", reg.str());
    const Outcome imported = RunWith({wine_, "reg", "import", "content.reg"}, scratch_.Path());
    ASSERT_EQ(imported.status, 0) << imported;

    const fs::path driver = fs::path(prefix_) / "drive_c/windows/system32/drivers/USBSTOR.SYS";
    std::error_code ignored;
    fs::remove(driver, ignored);
    if (driver_file_) std::ofstream(driver) << "driver";
  }

  // What a legacy console shows of the Windows program run with ARGUMENTS, then its code page.
  std::string ShownInConsole(const std::string& arguments) {
    return testing::ShownInConsole(wine_, WindowsPath(windows_check_) + " " + arguments,
                                   scratch_.Path());
  }

  // Runs both programs; the Linux one on the offline installation.
  std::pair<Outcome, Outcome> Check(bool tune) {
    std::vector<std::string> windows = {wine_, windows_check_};
    if (tune) windows.emplace_back("--tune");
    return {RunWith(CheckArguments(offline_.Folder(), tune)), RunWith(windows)};
  }

 private:
  std::string wine_;
  std::string prefix_;
  std::string windows_check_;
  TempInstallation offline_;
  TempFolder scratch_;
  std::map<std::string, std::string> reg_values_;  // each key's lines in the registry file
  bool driver_file_ = false;
};

// Runs the check on both sides, expects the same outcome, and returns it.
Outcome CheckBoth(TwinSystems& twins, bool tune) {
  const auto [offline, wine] = twins.Check(tune);
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

// A value of a type the check does not take, and the message that ends the run.
struct WrongType {
  const char* what;
  const char* name;
  RegType type;
  std::vector<std::uint8_t> data;
  const char* message;
};
std::ostream& operator<<(std::ostream& out, const WrongType& row) { return out << row.what; }

class WrongValueType : public ::testing::TestWithParam<WrongType> {};

TEST_P(WrongValueType, EndsTheRunWithTheSameMessage) {
  const WrongType& c = GetParam();
  TwinSystems twins;
  twins.AddService("ControlSet001", "usbccgp", "Base", 3);
  twins.AddService("ControlSet001", "usbhub", "Base", 3);
  twins.SetValue("ControlSet001", "usbhub", c.name, c.type, c.data);
  twins.AddDriverFile();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  const Outcome outcome = CheckBoth(twins, true);
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrongValueType,
    ::testing::Values(WrongType{"ShortTextStart", "Start", kRegSz, Utf16Text("0"),
                                "Ungültiger Datentyp für 'Start'\n"},
                      WrongType{"LongTextStart", "Start", kRegSz, Utf16Text("1234"),
                                "Fehler beim Holen der Daten für 'Start'\n"},
                      WrongType{"QwordStart",
                                "Start",
                                kRegQword,
                                {0, 0, 0, 0, 0, 0, 0, 0},
                                "Fehler beim Holen der Daten für 'Start'\n"},
                      WrongType{"DwordGroup", "Group", kRegDword, Dword(0),
                                "Ungültiger Datentyp für 'Group'\n"},
                      WrongType{"MultiTextGroup",
                                "Group",
                                kRegMultiSz,
                                {'a', 0, 0, 0, 0, 0},
                                "Ungültiger Datentyp für 'Group'\n"}),
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
    const std::string shown = twins.ShownInConsole(c.arguments);
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
  EXPECT_EQ(help.out.rfind("Usage: harnlode-check [--tune]\n", 0), 0u) << help.out;
}

}  // namespace
}  // namespace harnlode::testing
