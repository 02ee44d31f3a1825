#include "application_title.h"

#include <windows.h>

#include <vector>

namespace harnlode::win32 {

// The name is taken in UTF-16, as the file system keeps it, and shown as such; the error box's
// 8-bit caption is converted from it to the ANSI code page.
std::wstring ApplicationTitle() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return ApplicationTitle(std::wstring_view(path.data(), length));
    path.resize(path.size() * 2);
  }
}

std::wstring ApplicationTitle(std::wstring_view executable_path) {
  std::wstring_view name = executable_path;
  if (const size_t folder_end = name.find_last_of(L"\\/"); folder_end != name.npos) {
    name.remove_prefix(folder_end + 1);
  }
  name = name.substr(0, name.find(L'.'));
  std::wstring title(name);
  if (title.size() < 2) return title;
  // The first character keeps its case, even when it takes two UTF-16 units.
  const size_t first = IS_HIGH_SURROGATE(title[0]) ? 2 : 1;
  if (title.size() > first) {
    CharLowerBuffW(title.data() + first, static_cast<DWORD>(title.size() - first));
  }
  return title;
}

}  // namespace harnlode::win32
