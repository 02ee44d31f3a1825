#include "windows/live_system.h"

#include <windows.h>

#include "registry_values.h"
#include "windows/administrator_rights.h"
#include "windows/file_system_redirection_pause.h"

namespace harnlode {

// Both programs work on the running system, and take no folder.
CommandLineTarget TargetFromCommandLine(const std::string& program,
                                        const std::vector<std::string>& operands) {
  if (!operands.empty()) {
    return {nullptr, "on Windows, " + program + " works on the running system; give no folder."};
  }
  return {std::make_unique<LiveSystem>(), {}};
}

// The driver folder lies below system32, which a 32-bit program on 64-bit Windows would
// otherwise find in SysWOW64, where the system's drivers are not.
bool LiveSystem::IsFile(const std::string& windows_path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  {
    const FileSystemRedirectionPause native_folders;
    attributes = ::GetFileAttributesA(windows_path.c_str());
  }
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A 32-bit program on 64-bit Windows reads the system's own SOFTWARE key, not its 32-bit view.
// Read past the refusal noting, which is about the keys that the run writes.
WindowsVersion LiveSystem::Version() {
  RegistryValues read(platform_registry_, KEY_WOW64_64KEY);
  const std::string key = std::string("SOFTWARE\\") + kCurrentVersionKey;
  return VersionFromCurrentVersion(read.Text(key, kCurrentVersionName),
                                   read.Dword(key, kMajorVersionName),
                                   read.Text(key, kBuildNumberName));
}

std::string LiveSystem::ConsoleCommand(const std::string& options) {
  return "harnlode-check.exe " + options +
         " as administrator (harnlode-check.exe comes in the same download as Harnlode)";
}

std::string LiveSystem::WriteRefusalExplanation() {
  if (!registry_.Refused()) return {};
  if (!HasAdministratorRights()) {
    return "Windows refused Harnlode access to the service keys: Harnlode needs administrator "
           "rights. Close it and start it again with \"Run as administrator\".";
  }
  return "Windows refused Harnlode access to the service keys although it runs with administrator "
         "rights: their permissions, or a security program, keep them from being changed. Give "
         "the Administrators group full control of the keys, or allow Harnlode in the security "
         "program, then try again.";
}

}  // namespace harnlode
