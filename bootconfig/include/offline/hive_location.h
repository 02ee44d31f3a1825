// Where the SYSTEM hive of a Windows installation mounted in a folder lies, and the transaction
// logs that Windows keeps beside it. Names match without regard to case, as on the platform, and
// no link may lead out of the folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace harnlode {

// The hive file below the installation's folder, as Windows keeps it.
inline constexpr std::string_view kSystemHivePath = "Windows/System32/config/SYSTEM";

// The logs beside a hive, every link resolved; empty for a log that is not there (or that a link
// leads out of the folder to).
struct HiveLogPaths {
  std::filesystem::path log;   // NAME.LOG
  std::filesystem::path log1;  // NAME.LOG1
  std::filesystem::path log2;  // NAME.LOG2
};

struct HiveLocation {
  std::filesystem::path folder;  // the installation's
  std::filesystem::path hive;    // every link resolved
  // The hive's path below the folder, as Windows names it; its logs are named after it.
  std::string relative = std::string(kSystemHivePath);
  // Looked up only when asked for: a hive that its last writer finished needs no logs.
  HiveLogPaths Logs() const;
};

// Throws EInstallationError when the folder does not exist, holds no SYSTEM hive, or a link leads
// out of the folder to it. A hive that a save cut off inside a rename left under a spare name is
// put back first, so that Windows can start again.
HiveLocation LocateSystemHive(const std::filesystem::path& folder);

}  // namespace harnlode
