#include "offline/windows_identity.h"

#include <hivex.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>

#include "offline/base_block.h"
#include "offline/hive_file.h"
#include "offline/hive_location.h"
#include "offline/hivex_support.h"
#include "text_conversion.h"

namespace harnlode {
namespace {

// A hive of the installation, mapped for reading; null when it cannot be opened.
std::unique_ptr<HiveFile> OpenHive(const std::filesystem::path& folder, const char* relative) {
  try {
    return std::make_unique<HiveFile>(LocateHive(folder, relative));
  } catch (const std::exception&) {
    return nullptr;
  }
}

hive_node_h KeyAt(hive_h* hive, std::initializer_list<const char*> path) {
  hive_node_h node = hivex_root(hive);
  for (const char* name : path) {
    if (node == 0) return 0;
    node = hivex_node_get_child(hive, node, name);
  }
  return node;
}

// The value's type and stored bytes; nothing when the key or value is missing or unreadable.
std::optional<hivex::StoredValue> Stored(hive_h* hive, hive_node_h key, const char* name) {
  if (key == 0) return std::nullopt;
  const hive_value_h value = hivex_node_get_value(hive, key, name);
  if (value == 0) return std::nullopt;
  return hivex::ReadStoredValue(hive, value);
}

std::optional<std::string> Text(hive_h* hive, hive_node_h key, const char* name) {
  const std::optional<hivex::StoredValue> stored = Stored(hive, key, name);
  if (!stored || (stored->type != hive_t_REG_SZ && stored->type != hive_t_REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::string text = EightBitFromUtf16le(stored->Bytes());
  text.resize(std::min(text.find('\0'), text.size()));
  return text;
}

std::optional<std::uint32_t> Dword(hive_h* hive, hive_node_h key, const char* name) {
  // Read as stored: hivex_value_dword cannot tell 0xFFFFFFFF from a failure.
  const std::optional<hivex::StoredValue> stored = Stored(hive, key, name);
  if (!stored || stored->type != hive_t_REG_DWORD || stored->length != 4) return std::nullopt;
  return base_block::Read32(stored->Bytes(), 0);
}

std::string Version(hive_h* hive) {
  const hive_node_h current = KeyAt(hive, {"Microsoft", "Windows NT", "CurrentVersion"});
  std::string product = Text(hive, current, "ProductName").value_or("");
  if (product.empty()) return {};
  const std::string build = Text(hive, current, "CurrentBuildNumber").value_or("");
  // Windows 11 keeps the product name of Windows 10; its builds start at 22000.
  if (product.starts_with("Windows 10") && std::atol(build.c_str()) >= 22000) {
    product.replace(0, 10, "Windows 11");
  }
  std::string release = Text(hive, current, "DisplayVersion").value_or("");
  if (release.empty()) release = Text(hive, current, "CSDVersion").value_or("");
  std::string version = product;
  if (!release.empty()) version += " " + release;
  if (!build.empty()) version += " (build " + build + ")";
  return version;
}

std::string ComputerName(hive_h* hive) {
  const std::uint32_t current = Dword(hive, KeyAt(hive, {"Select"}), "Current").value_or(1);
  char control_set[32];
  std::snprintf(control_set, sizeof control_set, "ControlSet%03u", current % 1000);
  const hive_node_h key = KeyAt(hive, {control_set, "Control", "ComputerName", "ComputerName"});
  return Text(hive, key, "ComputerName").value_or("");
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
