// What harnlode-check says after its verdict about Windows 7 to 11, and what
// --tune --boot-driver-flags writes, read back with reglookup: on the real hives, and on small
// ones for the versions and states that those lack.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "file_bytes.h"
#include "hive_builder.h"
#include "investigate.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

const InstalledWindows kVista{"6.0", std::nullopt, "6002"};
const InstalledWindows kWindows7{"6.1", std::nullopt, "7601"};
const InstalledWindows kWindows81{"6.3", std::nullopt, "9600"};
const InstalledWindows kWindows10{"6.3", 10, "19041"};

const std::string kMachine = "HardwareConfig\\{4c4c4544-0042-3210-804d-c4c04f4e3232}";
const std::string kOption = "--boot-driver-flags";

ProgramOutcome Check(const fs::path& folder, std::vector<std::string> options = {}) {
  options.insert(options.begin(), HARNLODE_CHECK_PROGRAM);
  options.push_back(folder);
  return RunProgram(options);
}

std::string AfterVerdict(const std::string& report) {
  const std::size_t verdict = report.find(" System is");
  return verdict == std::string::npos ? report : report.substr(report.find('\n', verdict + 1));
}

std::string BeforeVerdict(const std::string& report) {
  return report.substr(0, report.find(" System is"));
}

fs::path SystemHive(const fs::path& folder) { return folder / "Windows/System32/config/SYSTEM"; }

// The value as reglookup, a reader of its own, finds it in the hive: "DWORD 0x00000014", or "" when
// it is not there.
std::string Independently(const fs::path& hive, const std::string& key, const std::string& name) {
  std::string path = "/" + key + "/" + name;
  for (char& c : path) c = c == '\\' ? '/' : c;
  const ProgramOutcome read = RunProgram({"reglookup", "-H", "-p", path, hive});
  const std::size_t type = read.out.find(',');
  if (read.status != 0 || type == std::string::npos) return "";
  const std::size_t value = read.out.find(',', type + 1);
  return read.out.substr(type + 1, value - type - 1) + " " +
         read.out.substr(value + 1, read.out.find(',', value + 1) - value - 1);
}

bool HaveReglookup() { return RunProgram({"reglookup", "-h"}).status != kCannotStart; }

// The real hive of a row, with its logs, in an installation folder that holds the driver file and
// a SOFTWARE hive naming the version.
struct RealRow {
  const char* label;
  const char* hive;
  InstalledWindows windows;
  std::string missing;                         // what the analysis's last note names as missing
  std::vector<std::string> writes;             // the lines that --boot-driver-flags adds, in order
  std::map<std::string, std::string> before;   // "KEY\NAME" read back before it
  std::map<std::string, std::string> written;  // and after it
  std::string needs;                           // the note once the option ran
};

void ExpectValues(const fs::path& folder, const std::map<std::string, std::string>& values) {
  for (const auto& [value, expected] : values) {
    const std::size_t name = value.rfind('\\');
    EXPECT_EQ(Independently(SystemHive(folder), value.substr(0, name), value.substr(name + 1)),
              expected)
        << value;
  }
}

class RealHiveNotes : public ::testing::TestWithParam<RealRow> {
 protected:
  void SetUp() override {
    if (!HaveReglookup()) GTEST_SKIP() << "reglookup is not installed";
    const fs::path config = folder_.Path() / "Windows/System32/config";
    fs::create_directories(config);
    fs::create_directories(folder_.Path() / "Windows/System32/drivers");
    WriteFile(folder_.Path() / "Windows/System32/drivers/USBSTOR.SYS", "driver");
    const fs::path source = HARNLODE_REAL_HIVES;
    for (const char* suffix : {"", ".LOG1", ".LOG2"}) {
      const fs::path packed = source / (std::string(GetParam().hive) + suffix + ".xz");
      if (!fs::exists(packed)) continue;
      if (RunProgramInto({"xz", "-dc", packed}, config / ("SYSTEM" + std::string(suffix))) != 0) {
        GTEST_SKIP() << "xz cannot unpack " << packed;
      }
    }
    if (!fs::exists(config / "SYSTEM")) GTEST_SKIP() << "no real hives at " << source;
    AddSoftwareHive(folder_.Path(), GetParam().windows);
  }
  TempFolder folder_;
};

TEST_P(RealHiveNotes, AnalysisNamesWhatIsMissingAndTheOptionSetsIt) {
  const RealRow& row = GetParam();
  const fs::path folder = folder_.Path();
  const ProgramOutcome analysis = Check(folder);
  EXPECT_EQ(analysis.status, 1) << analysis.err;
  EXPECT_THAT(AfterVerdict(analysis.out),
              HasSubstr("Missing for a USB start: " + row.missing + ", run harnlode-check --tune " +
                        kOption + " " + folder.string() + ".\n"));

  const ProgramOutcome tuning = Check(folder, {"--tune", kOption});
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  std::string writes;
  for (const std::string& line : row.writes) writes += line + "\n\n";
  EXPECT_THAT(BeforeVerdict(tuning.out), EndsWith("Writing: Start: 0\n\n" + writes + "\n\n"));
  ExpectValues(folder, row.written);

  const ProgramOutcome again = Check(folder);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_THAT(again.out, EndsWith(row.needs + "\n\n"));
  EXPECT_THAT(again.out, Not(HasSubstr("Missing")));
}

// A plain tuning run writes what it wrote before the option existed, and leaves these values.
TEST_P(RealHiveNotes, PlainTuningLeavesTheValuesAsTheyWere) {
  const ProgramOutcome tuning = Check(folder_.Path(), {"--tune"});
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  EXPECT_THAT(BeforeVerdict(tuning.out), Not(HasSubstr("BootDriverFlags")));
  ExpectValues(folder_.Path(), GetParam().before);
}

INSTANTIATE_TEST_SUITE_P(
    , RealHiveNotes,
    ::testing::Values(
        RealRow{"Windows10",
                "windows10-SYSTEM",
                kWindows10,
                kMachine + "\\BootDriverFlags 0x0 lacks 0x14; to set it",
                {"SYSTEM\\" + kMachine + ": BootDriverFlags 0x0", "Writing: BootDriverFlags: 0x14",
                 "SYSTEM\\ControlSet001\\Control: BootDriverFlags 0x1C"},
                {{kMachine + "\\BootDriverFlags", "DWORD 0x00000000"},
                 {"ControlSet001\\Control\\BootDriverFlags", "DWORD 0x0000001C"}},
                {{kMachine + "\\BootDriverFlags", "DWORD 0x00000014"},
                 {"ControlSet001\\Control\\BootDriverFlags", "DWORD 0x0000001C"}},
                "The registry holds what Windows 10 (build 19041) needs to start from USB."},
        RealRow{
            "Windows7",
            "windows7-SYSTEM",
            kWindows7,
            "ControlSet001\\Control\\BootDriverFlags 0x0 lacks 0x4; "
            "ControlSet001\\Control\\PnP\\PollBootPartitionTimeout 0 is below 15000; to set them",
            {"SYSTEM\\ControlSet001\\Control: BootDriverFlags 0x0", "Writing: BootDriverFlags: 0x4",
             "SYSTEM\\ControlSet001\\Control\\PnP: PollBootPartitionTimeout 0",
             "Writing: PollBootPartitionTimeout: 15000",
             "SYSTEM\\ControlSet002\\Control: BootDriverFlags 0x0", "Writing: BootDriverFlags: 0x4",
             "SYSTEM\\ControlSet002\\Control\\PnP: PollBootPartitionTimeout 0",
             "Writing: PollBootPartitionTimeout: 15000"},
            {{"ControlSet001\\Control\\BootDriverFlags", "DWORD 0x00000000"},
             {"ControlSet001\\Control\\PnP\\PollBootPartitionTimeout", "DWORD 0x00000000"},
             {"ControlSet002\\Control\\BootDriverFlags", "DWORD 0x00000000"},
             {"ControlSet002\\Control\\PnP\\PollBootPartitionTimeout", "DWORD 0x00000000"}},
            {{"ControlSet001\\Control\\BootDriverFlags", "DWORD 0x00000004"},
             {"ControlSet001\\Control\\PnP\\PollBootPartitionTimeout", "DWORD 0x00003A98"},
             {"ControlSet002\\Control\\BootDriverFlags", "DWORD 0x00000004"},
             {"ControlSet002\\Control\\PnP\\PollBootPartitionTimeout", "DWORD 0x00003A98"}},
            "The registry holds what Windows 7 (build 7601) needs to start from USB."}),
    [](const auto& info) { return std::string(info.param.label); });

// The versions and states the real hives lack, on a small hive with the USB services tuned
// already and ControlSet001 current: what the analysis adds after its verdict, and what the
// option writes beside a plain tuning run's hive.
struct SmallRow {
  const char* label;
  std::optional<InstalledWindows> windows;  // none: no SOFTWARE hive
  const char* software;                     // with no `windows`: the SOFTWARE file's bytes, if any
  std::string note;                         // a part of what follows the verdict; "" for nothing
  std::string option_line;                  // a line the option adds before the verdict
  std::map<std::string, std::string> written;  // what the option writes beyond a plain run
  bool software_is_link = false;  // SOFTWARE links to a Windows 10 hive outside the folder
};

class SmallHiveNotes : public ::testing::TestWithParam<SmallRow> {};

TEST_P(SmallHiveNotes, NotesAndWritesByVersion) {
  const SmallRow& row = GetParam();
  TempInstallation plain, with_option;
  for (TempInstallation* windows : {&plain, &with_option}) {
    windows->AddUsbServices({"ControlSet001"}, "System Reserved", 0);
    windows->Hive().SetDword("Select", "Current", 1);
    windows->Hive().SetDword("ControlSet001\\Control\\PnP", "PollBootPartitionTimeout", 30000);
    windows->AddDriverFile();
    windows->Commit();
    if (row.windows) AddSoftwareHive(windows->Folder(), *row.windows);
    if (row.software != nullptr) {
      WriteFile(windows->Folder() / "Windows/System32/config/SOFTWARE", row.software);
    }
  }
  TempFolder outside;
  if (row.software_is_link) {
    AddSoftwareHive(outside.Path(), kWindows10);
    for (TempInstallation* windows : {&plain, &with_option}) {
      fs::create_symlink(outside.Path() / "Windows/System32/config/SOFTWARE",
                         windows->Folder() / "Windows/System32/config/SOFTWARE");
    }
  }
  const ProgramOutcome analysis = Check(plain.Folder());
  EXPECT_EQ(analysis.status, 0) << analysis.err;
  if (row.note.empty()) {
    EXPECT_THAT(analysis.out, EndsWith(kReadyVerdict + "\n"));
  } else {
    EXPECT_THAT(AfterVerdict(analysis.out), HasSubstr(row.note));
  }

  EXPECT_EQ(Check(plain.Folder(), {"--tune"}).status, 0);
  const ProgramOutcome tuning = Check(with_option.Folder(), {"--tune", kOption});
  EXPECT_EQ(tuning.status, 0) << tuning.err;
  EXPECT_THAT(BeforeVerdict(tuning.out), HasSubstr(row.option_line));

  HiveContents expected = ReadHiveContents(plain.HivePath());
  for (const auto& [value, data] : row.written) {
    const std::size_t name = value.rfind('\\');
    std::string value_name = value.substr(name + 1);
    for (char& c : value_name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    expected[value.substr(0, name)][value_name] = {
        kRegDword, DwordData(static_cast<std::uint32_t>(std::stoul(data, nullptr, 0)))};
  }
  EXPECT_EQ(ReadHiveContents(with_option.HivePath()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    , SmallHiveNotes,
    ::testing::Values(
        SmallRow{"NoSoftwareHive",
                 std::nullopt,
                 nullptr,
                 "",
                 "Not writing BootDriverFlags: which Windows this is cannot be told. It keeps no "
                 "SOFTWARE hive.",
                 {}},
        SmallRow{"Vista",
                 kVista,
                 nullptr,
                 "",
                 "Not writing BootDriverFlags: Windows Vista (build 6002) starts from USB "
                 "without them.",
                 {}},
        SmallRow{"DamagedSoftwareHive",
                 std::nullopt,
                 "not a hive",
                 "Which Windows this is cannot be told, so what Windows 7 and later need beyond "
                 "the services' values was not checked. The file",
                 "Not writing BootDriverFlags: which Windows this is cannot be told. The file",
                 {}},
        SmallRow{"SoftwareHiveIsALink",
                 std::nullopt,
                 nullptr,
                 "was not checked. The registry hive ",
                 "Not writing BootDriverFlags: which Windows this is cannot be told. The registry "
                 "hive ",
                 {},
                 true},
        SmallRow{"Windows81NoMachineYet",
                 kWindows81,
                 nullptr,
                 "HardwareConfig holds no machine that started this Windows.\n\n"
                 "BootFlags of the USB services in ControlSet001: usbccgp missing (Start 0), ",
                 "Not writing the machine's BootDriverFlags: HardwareConfig holds no machine that "
                 "started this Windows.",
                 {{"ControlSet001\\Control\\BootDriverFlags", "0x14"}}},
        SmallRow{"Windows7WaitLongEnough",
                 kWindows7,
                 nullptr,
                 "ControlSet001\\Control\\BootDriverFlags missing lacks 0x4; to set it",
                 "SYSTEM\\ControlSet001\\Control\\PnP: PollBootPartitionTimeout 30000",
                 {{"ControlSet001\\Control\\BootDriverFlags", "0x4"}}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace harnlode::testing
