// The driver-file test on every system: a file counts, a folder of that name does not, and names
// ignore case as Windows paths do.
#include <gtest/gtest.h>

#include "scratch_registry.h"

namespace harnlode::testing {
namespace {

TEST(SystemContract, OnlyAFileCountsAsTheDriverFile) {
  const std::unique_ptr<ScratchRegistry> scratch = MakeScratchRegistry();
  scratch->PutDriverFile("HLFILE.SYS");
  scratch->PutDriverFolder("HLFOLDER.SYS");
  TargetSystem& system = scratch->System();
  EXPECT_TRUE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLFILE.SYS"));
  EXPECT_TRUE(system.IsFile("C:\\Windows\\System32\\drivers\\hlfile.sys"));
  EXPECT_FALSE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLFOLDER.SYS"));
  EXPECT_FALSE(system.IsFile("c:\\windows\\system32\\DRIVERS\\HLMISSING.SYS"));
}

}  // namespace
}  // namespace harnlode::testing
