// Every hive the fuzzer found a fault with is kept in tests/hive_findings; each must now keep the
// properties that the fuzzer checks.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "hive_properties.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {
namespace fs = std::filesystem;

class HiveFindings : public ::testing::TestWithParam<fs::path> {};

TEST_P(HiveFindings, EachKeepsTheProperties) {
  TempInstallation windows;
  windows.AddDriverFile();
  EXPECT_EQ(CheckHiveProperties(windows.Folder(), ReadFile(GetParam())), "");
}

INSTANTIATE_TEST_SUITE_P(Kept, HiveFindings, ::testing::ValuesIn(FilesIn(HARNLODE_HIVE_FINDINGS)),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
}  // namespace harnlode::testing
