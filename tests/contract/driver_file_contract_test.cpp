// The driver-file test on every system: a file counts, a folder of that name does not, and names
// ignore case as Windows paths do.
#include <gtest/gtest.h>

#include "scratch_registry.h"

namespace harnlode::testing {
namespace {

using SystemContract = ContractTest;

TEST_P(SystemContract, OnlyAFileCountsAsTheDriverFile) {
  scratch_->PutDriverFile("HLFILE.SYS");
  scratch_->PutDriverFolder("HLFOLDER.SYS");
  TargetSystem& system = scratch_->System();
  EXPECT_TRUE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLFILE.SYS"));
  EXPECT_TRUE(system.IsFile("C:\\Windows\\System32\\drivers\\hlfile.sys"));
  EXPECT_FALSE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLFOLDER.SYS"));
  EXPECT_FALSE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLMISSING.SYS"));
}

HARNLODE_ON_EVERY_STORE(SystemContract);

}  // namespace
}  // namespace harnlode::testing
