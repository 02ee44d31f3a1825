// Generated SYSTEM hives: as large as asked, readable by hivex, the same for the same seed, and
// with the six USB services in every control set waiting to be tuned.
#include "system_hive_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "hive_builder.h"
#include "installation_check.h"
#include "investigate.h"
#include "offline/offline_system.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMib = 1 << 20;

std::size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(),
                    [&](const std::string& line) { return line.starts_with(prefix); }));
}

std::size_t ServiceCount(const HiveContents& hive, const std::string& control_set) {
  const std::string services = control_set + "\\Services\\";
  std::size_t count = 0;
  for (const auto& [path, values] : hive) {
    if (path.starts_with(services) && path.find('\\', services.size()) == std::string::npos) {
      ++count;
    }
  }
  return count;
}

TEST(SystemHiveGenerator, MakesARealisticHiveOfTheSizeAskedForTheSameForTheSameSeed) {
  TempFolder folder;
  const fs::path hive = folder.Path() / "SYSTEM";
  GenerateSystemHive(hive, 5 * kMib, 7);
  const std::uint64_t size = fs::file_size(hive);
  EXPECT_GT(size, 5 * kMib * 9 / 10);
  EXPECT_LT(size, 5 * kMib * 11 / 10);

  const HiveContents contents = ReadHiveContents(hive);
  for (const std::string set : {"ControlSet001", "ControlSet002", "ControlSet003"}) {
    EXPECT_GE(ServiceCount(contents, set), 400u) << set;
    EXPECT_TRUE(contents.contains(set + "\\Services\\usbstor") ||
                contents.contains(set + "\\Services\\USBSTOR"));
    EXPECT_TRUE(contents.contains(set + "\\Control\\Class"));
    EXPECT_TRUE(contents.contains(set + "\\Enum"));
  }

  const fs::path again = folder.Path() / "again";
  GenerateSystemHive(again, 5 * kMib, 7);
  EXPECT_EQ(ReadHiveContents(again), contents);
}

TEST(SystemHiveGenerator, TuningAGeneratedInstallationWritesAllThirtySixValues) {
  TempFolder folder;
  MakeGeneratedInstallation(folder.Path(), 3 * kMib);
  OfflineSystem system(folder.Path());

  CollectingLog analysis;
  EXPECT_EQ(analysis.Run(system, true).verdict, Verdict::kNotReady);
  EXPECT_EQ(CountStartingWith(analysis.lines, "SYSTEM\\"), 18u);
  EXPECT_EQ(analysis.lines.back(), expected::kNotReady);

  CollectingLog tuning;
  tuning.Run(system, false);
  EXPECT_EQ(CountStartingWith(tuning.lines, "Writing: "), 36u);

  CollectingLog after;
  EXPECT_EQ(after.Run(system, true).verdict, Verdict::kReady);
  EXPECT_EQ(after.lines.back(), expected::kReady);
}

}  // namespace
}  // namespace harnlode::testing
