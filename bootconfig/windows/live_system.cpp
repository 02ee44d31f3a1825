#include "windows/live_system.h"

#include <windows.h>

namespace harnlode {

bool LiveSystem::IsFile(const std::string& windows_path) {
  const DWORD attributes = ::GetFileAttributesA(windows_path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace harnlode
