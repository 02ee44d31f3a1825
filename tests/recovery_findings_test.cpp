// Every input the recovery fuzzer found a fault with is kept in tests/recovery_findings, with
// inputs made by hand whose counts, offsets and sizes run past what holds them; each must keep
// the properties that the fuzzer checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "file_bytes.h"
#include "recovery_properties.h"

namespace harnlode::testing {
namespace {

class RecoveryFindings : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(RecoveryFindings, EachKeepsTheProperties) {
  EXPECT_EQ(CheckRecoveryProperties(ReadBytes(GetParam())), "");
}

INSTANTIATE_TEST_SUITE_P(Kept, RecoveryFindings,
                         ::testing::ValuesIn(FilesIn(HARNLODE_RECOVERY_FINDINGS)),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
}  // namespace harnlode::testing
