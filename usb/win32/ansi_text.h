// The program's 8-bit text is in the system's ANSI code page (UTF-8 where the manifest makes it
// so), as the registry API's 8-bit form gives it; the windows work in UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace harnlode::win32 {

std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

}  // namespace harnlode::win32
