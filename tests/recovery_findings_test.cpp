// Every input the recovery fuzzer found a fault with is kept in tests/recovery_findings, with
// inputs made by hand whose counts, offsets and sizes run past what holds them; each must keep
// the properties that the fuzzer checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "recovery_properties.h"

namespace harnlode::testing {
namespace {

TEST(RecoveryFindings, EachKeepsTheProperties) {
  int found = 0;
  for (const auto& entry : std::filesystem::directory_iterator(HARNLODE_RECOVERY_FINDINGS)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(CheckRecoveryProperties(input), "");
    ++found;
  }
  EXPECT_GT(found, 0);
}

}  // namespace
}  // namespace harnlode::testing
