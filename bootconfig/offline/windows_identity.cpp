#include "offline/windows_identity.h"

#include <hivex.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "offline/hive_file.h"
#include "offline/hive_location.h"
#include "offline/hive_values.h"

namespace harnlode {
namespace {

using hivex::DwordValue;
using hivex::KeyAt;
using hivex::TextValue;

// A hive of the installation, mapped for reading; null when it cannot be opened.
std::unique_ptr<HiveFile> OpenHive(const std::filesystem::path& folder, const char* relative) {
  try {
    return std::make_unique<HiveFile>(LocateHive(folder, relative));
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string Version(hive_h* hive) {
  const hive_node_h current = KeyAt(hive, {"Microsoft", "Windows NT", "CurrentVersion"});
  std::string product = TextValue(hive, current, "ProductName").value_or("");
  if (product.empty()) return {};
  const std::string build = TextValue(hive, current, "CurrentBuildNumber").value_or("");
  // Windows 11 keeps the product name of Windows 10; its builds start at 22000.
  if (product.starts_with("Windows 10") && std::atol(build.c_str()) >= 22000) {
    product.replace(0, 10, "Windows 11");
  }
  std::string release = TextValue(hive, current, "DisplayVersion").value_or("");
  if (release.empty()) release = TextValue(hive, current, "CSDVersion").value_or("");
  std::string version = product;
  if (!release.empty()) version += " " + release;
  if (!build.empty()) version += " (build " + build + ")";
  return version;
}

std::string ComputerName(hive_h* hive) {
  const std::uint32_t current = DwordValue(hive, KeyAt(hive, {"Select"}), "Current").value_or(1);
  char control_set[32];
  std::snprintf(control_set, sizeof control_set, "ControlSet%03u", current % 1000);
  const hive_node_h key = KeyAt(hive, {control_set, "Control", "ComputerName", "ComputerName"});
  return TextValue(hive, key, "ComputerName").value_or("");
}

}  // namespace

WindowsIdentity ReadWindowsIdentity(const std::filesystem::path& folder) {
  WindowsIdentity identity;
  if (const auto software = OpenHive(folder, "Windows/System32/config/SOFTWARE")) {
    identity.version = Version(software->Handle());
  }
  if (const auto system = OpenHive(folder, "Windows/System32/config/SYSTEM")) {
    identity.computer_name = ComputerName(system->Handle());
  }
  return identity;
}

}  // namespace harnlode
