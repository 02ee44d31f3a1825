#include "twin_systems.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "child_process.h"
#include "hive_builder.h"
#include "investigate.h"
#include "usb_services.h"
#include "windows_version.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

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

// A registry file in UTF-16LE, the form in which its hex(n) data of text types is taken as it is.
void WriteUtf16File(const fs::path& file, const std::string& ascii) {
  std::ofstream out(file, std::ios::binary);
  out << "\xFF\xFE";
  for (char c : ascii) out << c << '\0';
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Group and Start are the values the check reads and writes; the others are left out.
bool IsCheckedValue(const std::string& name) {
  return name == Lower(kGroupValueName) || name == Lower(kStartValueName);
}

// A value's type and data as `reg query` writes them.
std::string AsQueryShows(const HiveValue& value) {
  char text[32];
  switch (value.type) {
    case kRegSz: {
      std::string ascii;
      for (std::size_t i = 0; i + 1 < value.data.size() && value.data[i] != 0; i += 2) {
        ascii += static_cast<char>(value.data[i]);
      }
      return "REG_SZ " + ascii;
    }
    case kRegDword:
      if (value.data.size() != 4) break;
      std::snprintf(text, sizeof text, "REG_DWORD 0x%x",
                    static_cast<unsigned>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                          value.data[3] << 24));
      return text;
  }
  std::snprintf(text, sizeof text, "type %u, %zu bytes", value.type, value.data.size());
  return text;
}

}  // namespace

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

std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

Outcome RunWith(const std::vector<std::string>& arguments, const fs::path& folder) {
  const ProgramOutcome run = RunProgram(arguments, folder);
  return {run.status, WithoutCarriageReturns(run.out), WithoutCarriageReturns(run.err)};
}

std::string WindowsPath(const fs::path& path) {
  std::string windows = "Z:" + path.string();
  for (char& c : windows) c = c == '/' ? '\\' : c;
  return windows;
}

std::vector<std::uint8_t> Utf16Text(const std::string& text) {
  std::vector<std::uint8_t> data;
  for (unsigned char c : text) data.insert(data.end(), {c, 0});
  data.insert(data.end(), {0, 0});
  return data;
}

std::vector<std::uint8_t> Dword(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

TwinSystems::TwinSystems() : wine_(Environment("WINE")), prefix_(Environment("WINEPREFIX")) {
  SetSystemValue("Select", "Current", kRegDword, Dword(1));
}

void TwinSystems::SetValue(const std::string& control_set, const std::string& service,
                           const std::string& name, RegType type,
                           const std::vector<std::uint8_t>& data) {
  SetSystemValue(control_set + "\\Services\\" + service, name, type, data);
}

void TwinSystems::SetSystemValue(const std::string& key, const std::string& name, RegType type,
                                 const std::vector<std::uint8_t>& data) {
  offline_.Hive().SetValue(key, name, type, data);
  std::ostringstream line;
  line << "\"" << name << "\"=hex(" << std::hex << type << "):" << HexBytes(data) << "\r\n";
  reg_values_[key] += line.str();
}

void TwinSystems::AddService(const std::string& control_set, const std::string& service,
                             const std::optional<std::string>& group,
                             std::optional<std::uint32_t> start) {
  SetValue(control_set, service, "Type", kRegDword, Dword(1));
  if (group) SetValue(control_set, service, kGroupValueName, kRegSz, Utf16Text(*group));
  if (start) SetValue(control_set, service, kStartValueName, kRegDword, Dword(*start));
}

void TwinSystems::AddUsbServices(const std::string& control_set, const std::string& group,
                                 std::uint32_t start) {
  for (const std::string& service : UsbServiceNames) AddService(control_set, service, group, start);
}

void TwinSystems::AddFreshInstallation(const std::string& without_start) {
  constexpr std::uint32_t kDemandStart = 3;  // loaded when a device asks for it
  for (const char* control_set : {"ControlSet001", "ControlSet002"}) {
    for (const FreshUsbService& service : kFreshUsbServices) {
      const std::string name(service.name);
      AddService(control_set, name,
                 service.group.empty() ? std::nullopt : std::optional(std::string(service.group)),
                 name == without_start ? std::nullopt : std::optional(kDemandStart));
    }
  }
  AddDriverFile();
}

void TwinSystems::Apply() {
  offline_.Commit();
  if (driver_file_) offline_.AddDriverFile();
  AddSoftwareHive(offline_.Folder(), windows_);

  std::ostringstream reg;
  reg << "Windows Registry Editor Version 5.00\r\n\r\n";
  for (const std::string& control_set : ControlSetNames) {
    reg << "[-HKEY_LOCAL_MACHINE\\SYSTEM\\" << control_set << "]\r\n\r\n";
  }
  reg << "[-HKEY_LOCAL_MACHINE\\SYSTEM\\HardwareConfig]\r\n\r\n";
  reg << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" << kCurrentVersionKey << "]\r\n\"" << kCurrentVersionName
      << "\"=hex(1):" << HexBytes(Utf16Text(windows_.current_version)) << "\r\n\""
      << kBuildNumberName << "\"=hex(1):" << HexBytes(Utf16Text(windows_.build)) << "\r\n\""
      << kMajorVersionName
      << "\"=" << (windows_.major ? "hex(4):" + HexBytes(Dword(*windows_.major)) : std::string("-"))
      << "\r\n\r\n";
  for (const auto& [key, values] : reg_values_) {
    reg << "[HKEY_LOCAL_MACHINE\\SYSTEM\\" << key << "]\r\n" << values << "\r\n";
  }
  WriteUtf16File(scratch_.Path() / "content.reg", reg.str());
  const Outcome imported = RunWith({wine_, "reg", "import", "content.reg"}, scratch_.Path());
  if (imported.status != 0) {
    std::ostringstream message;
    message << "importing the registry content failed: " << imported;
    throw std::runtime_error(message.str());
  }

  const fs::path driver = fs::path(prefix_) / "drive_c/windows/system32/drivers/USBSTOR.SYS";
  std::error_code ignored;
  fs::remove(driver, ignored);
  if (driver_file_) std::ofstream(driver) << "driver";
}

Outcome TwinSystems::CheckOffline(bool tune) {
  return CheckOffline(tune ? std::vector<std::string>{"--tune"} : std::vector<std::string>{});
}

Outcome TwinSystems::CheckOffline(const std::vector<std::string>& options) {
  std::vector<std::string> arguments = CheckArguments(offline_.Folder(), false);
  arguments.insert(arguments.end() - 1, options.begin(), options.end());
  Outcome outcome = RunWith(arguments);
  const std::string command = "--tune --boot-driver-flags";
  const std::string offline = "harnlode-check " + command + " " + offline_.Folder().string();
  const std::string live = "harnlode-check.exe " + command +
                           " as administrator (harnlode-check.exe comes in the same download as "
                           "Harnlode)";
  for (std::size_t at; (at = outcome.out.find(offline)) != std::string::npos;) {
    outcome.out.replace(at, offline.size(), live);
  }
  return outcome;
}

ServiceValues TwinSystems::OfflineServiceValues() const {
  ServiceValues values;
  for (const auto& [key, key_values] : ReadHiveContents(offline_.HivePath())) {
    for (const auto& [name, value] : key_values) {
      if (IsCheckedValue(name)) values[Lower(key + "\\" + name)] = AsQueryShows(value);
    }
  }
  return values;
}

// From `reg query KEY /s`: a line with a key's full path, then one "    NAME    TYPE    DATA" per
// value.
ServiceValues TwinSystems::PrefixServiceValues() const {
  const std::string root = "HKEY_LOCAL_MACHINE\\SYSTEM\\";
  ServiceValues values;
  for (const std::string& control_set : ControlSetNames) {
    const Outcome query = RunWith({wine_, "reg", "query", root + control_set, "/s"});
    if (query.status != 0) continue;  // no such control set
    std::istringstream lines(query.out);
    std::string line;
    std::string key;
    while (std::getline(lines, line)) {
      if (line.starts_with(root)) {
        key = line.substr(root.size());
      } else if (line.starts_with("    ")) {
        const std::size_t type = line.find("    ", 4);
        const std::size_t data = line.find("    ", type + 4);
        const std::string name = Lower(line.substr(4, type - 4));
        if (type == std::string::npos || !IsCheckedValue(name)) continue;
        values[Lower(key + "\\" + name)] =
            line.substr(type + 4, data == std::string::npos ? data : data - type - 4) + " " +
            (data == std::string::npos ? "" : line.substr(data + 4));
      }
    }
  }
  return values;
}

}  // namespace harnlode::testing
