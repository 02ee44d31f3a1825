// The Windows window's application title, from the executable's path.
#include "application_title.h"

#include <gtest/gtest.h>

namespace harnlode::testing {
namespace {

struct Title {
  const wchar_t* path;
  const wchar_t* title;
};

TEST(ApplicationTitle, IsTheFileNameUpToItsFirstDotWithOnlyTheFirstCharacterKeptInCapitals) {
  for (const Title& row : {
           Title{L"C:\\Program Files\\Harnlode\\HARNLODE.EXE", L"Harnlode"},
           Title{L"C:\\tools.d\\harnlode.x86.exe", L"harnlode"},
           Title{L"D:/usb/HarnLode", L"Harnlode"},
           Title{L"\\\\server\\share\\\u00C4RGER.exe", L"\u00C4rger"},
           Title{L"C:\\\U0001D400BC.exe", L"\U0001D400bc"},
           Title{L"C:\\.exe", L""},
       }) {
    EXPECT_EQ(win32::ApplicationTitle(row.path), row.title);
  }
}

}  // namespace
}  // namespace harnlode::testing
