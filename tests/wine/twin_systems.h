// The same registry content and driver file in an offline installation and in the Wine prefix,
// for the tests that hold a Windows program under Wine against the Linux one. Needs the
// environment that scripts/test-windows sets: WINE (the wine program) and WINEPREFIX (a prefix
// made for the tests).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "registry_api.h"
#include "temp_installation.h"

namespace harnlode::testing {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;

  bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Outcome& outcome);

// The variable's value; throws when it is not set.
std::string Environment(const char* name);

// Lines end in CR LF on Windows; the text between is what is compared.
std::string WithoutCarriageReturns(std::string text);

// Runs the program with its arguments, in `folder` when one is given, without carriage returns.
Outcome RunWith(const std::vector<std::string>& arguments,
                const std::filesystem::path& folder = {});

// The path of a Linux file as Wine's drive Z: has it. Wine passes quotes on to cmd escaped, so
// a path given to cmd must do without blanks.
std::string WindowsPath(const std::filesystem::path& path);

// Registry data: UTF-16LE text with its terminator (ASCII and Latin-1 only), a little-endian dword.
std::vector<std::uint8_t> Utf16Text(const std::string& text);
std::vector<std::uint8_t> Dword(std::uint32_t number);

// Each service key's Group and Start ("controlset001\services\usbhub\group"), as type and text
// ("REG_SZ Base", "REG_DWORD 0x3").
using ServiceValues = std::map<std::string, std::string>;

class TwinSystems {
 public:
  TwinSystems();

  // Which Windows both sides are; by default Windows 7, which a new Wine prefix says it is.
  void SetWindows(const InstalledWindows& windows) { windows_ = windows; }
  // One value of a key below SYSTEM, stored as given; the key is made when missing. Besides the
  // control sets, only HardwareConfig and Select (whose Current is 1) are put in place.
  void SetSystemValue(const std::string& key, const std::string& name, RegType type,
                      const std::vector<std::uint8_t>& data);
  // One value of a service key, stored as given; the key is made when missing.
  void SetValue(const std::string& control_set, const std::string& service, const std::string& name,
                RegType type, const std::vector<std::uint8_t>& data);
  void AddService(const std::string& control_set, const std::string& service,
                  const std::optional<std::string>& group, std::optional<std::uint32_t> start);
  void AddUsbServices(const std::string& control_set, const std::string& group,
                      std::uint32_t start);
  // The USB services and the driver file as a fresh installation has them, in ControlSet001 and
  // ControlSet002; `without_start` leaves out one service's Start value.
  void AddFreshInstallation(const std::string& without_start = "");
  void AddDriverFile() { driver_file_ = true; }

  // Puts the content in place on both sides: the hive is written, the prefix's control sets are
  // replaced and the driver file is put there or taken away.
  void Apply();

  // harnlode-check [--tune] on the offline installation, or with the options given. Its report
  // names the command that sets what Windows 7 and later need as harnlode-check.exe does.
  Outcome CheckOffline(bool tune);
  Outcome CheckOffline(const std::vector<std::string>& options);
  ServiceValues OfflineServiceValues() const;
  ServiceValues PrefixServiceValues() const;

  const std::string& Wine() const { return wine_; }
  const std::filesystem::path& Scratch() const { return scratch_.Path(); }

 private:
  std::string wine_;
  std::string prefix_;
  TempInstallation offline_;
  TempFolder scratch_;
  std::map<std::string, std::string> reg_values_;  // each key's lines in the registry file
  bool driver_file_ = false;
  InstalledWindows windows_{"6.1", std::nullopt, "7601"};
};

}  // namespace harnlode::testing
