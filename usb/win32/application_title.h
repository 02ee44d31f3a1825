// The application's title, which the taskbar entry and the error box show: the running
// executable's file name without its folder, cut at its first ".", every character after the
// first in lower case.
#pragma once

#include <string>
#include <string_view>

namespace harnlode::win32 {

std::wstring ApplicationTitle();

// The title for an executable's path.
std::wstring ApplicationTitle(std::wstring_view executable_path);

}  // namespace harnlode::win32
