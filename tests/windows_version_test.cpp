// Which Windows the CurrentVersion values name, and the notes for the states that no hive of the
// tests holds.
#include "windows_version.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "usb_start_needs.h"

namespace harnlode {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct VersionRow {
  std::optional<std::string> current_version;
  std::optional<std::uint32_t> major;
  std::optional<std::string> build;
  std::string name;  // "" for a version that is not known
};

TEST(WindowsVersion, NamedAsItsUserKnowsIt) {
  const VersionRow rows[] = {
      {"6.0", std::nullopt, "6002", "Windows Vista (build 6002)"},
      {"6.1", std::nullopt, "7601", "Windows 7 (build 7601)"},
      {"6.2", std::nullopt, "9200", "Windows 8 (build 9200)"},
      {"6.3", std::nullopt, "9600", "Windows 8.1 (build 9600)"},
      {"6.3", 10, "21999", "Windows 10 (build 21999)"},
      {"6.3", 10, "22000", "Windows 11 (build 22000)"},
      {"6.3", 10, std::nullopt, "Windows 10"},
      {"5.1", std::nullopt, "2600", ""},
      {std::nullopt, std::nullopt, "7601", ""},
  };
  for (const VersionRow& row : rows) {
    const WindowsVersion version =
        VersionFromCurrentVersion(row.current_version, row.major, row.build);
    EXPECT_EQ(version.Name(), row.name) << row.current_version.value_or("none");
    EXPECT_EQ(version.problem.empty(), !row.name.empty()) << version.problem;
  }
}

TEST(UsbStartNotes, AUsb3DriverThatIsNotLoadedAtBootIsMissingButNotSet) {
  UsbStartValues values;
  values.current_control_set = 2;
  values.machine = "{m}";
  values.machine_key = true;
  values.machine_flags = 0x14;
  values.control_flags = 0x1C;
  values.services = {{"USBXHCI", 0x0, 3}, {"UASPStor", 0x14, 3}, {"USBHUB3", std::nullopt, 0}};
  const WindowsVersion windows11{WindowsVersion::Release::k11, "22631", ""};
  EXPECT_THAT(
      UsbStartNotes(windows11, values, "COMMAND"),
      ElementsAre(
          "Windows 11 (build 22631) also needs the USB bits 0x14 in BootDriverFlags: "
          "ControlSet002\\Control\\BootDriverFlags 0x1C, HardwareConfig\\{m}\\BootDriverFlags "
          "0x14.",
          "BootFlags of the USB services in ControlSet002: USBXHCI 0x0 (Start 3), UASPStor 0x14 "
          "(Start 3), USBHUB3 missing (Start 0).",
          "Missing for a USB start: USBXHCI is not loaded at boot (BootFlags 0x0), which Windows "
          "sets when it installs the driver and Harnlode leaves alone."));

  values.machine_flags = 0x4;  // what the option sets comes first, with the command
  EXPECT_THAT(UsbStartNotes(windows11, values, "COMMAND").back(),
              HasSubstr("BootDriverFlags 0x4 lacks 0x10; to set it, run COMMAND; USBXHCI is not"));
}

}  // namespace
}  // namespace harnlode
