#include "windows/live_system.h"

#include <windows.h>

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
