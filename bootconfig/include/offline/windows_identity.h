// What a Windows installation says about itself in its registry: its version (SOFTWARE hive) and
// its computer name (SYSTEM hive). Both hives are only read, never changed.
#pragma once

#include <filesystem>
#include <string>

namespace harnlode {

struct WindowsIdentity {
  std::string version;        // such as "Windows 10 Pro 22H2 (build 19045)"; empty when unknown
  std::string computer_name;  // empty when unknown
};

// Whatever of it can be read; a missing, unreadable or damaged hive leaves its part empty.
WindowsIdentity ReadWindowsIdentity(const std::filesystem::path& folder);

}  // namespace harnlode
