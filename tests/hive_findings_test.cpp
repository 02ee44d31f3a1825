// Every hive the fuzzer found a fault with is kept in tests/hive_findings; each must now keep the
// properties that the fuzzer checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "hive_properties.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;

TEST(HiveFindings, EachKeepsTheProperties) {
  TempInstallation windows;
  windows.AddDriverFile();
  int found = 0;
  for (const auto& entry : fs::directory_iterator(HARNLODE_HIVE_FINDINGS)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string hive{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(CheckHiveProperties(windows.Folder(), hive), "");
    ++found;
  }
  EXPECT_GT(found, 0);
}

}  // namespace
}  // namespace harnlode::testing
