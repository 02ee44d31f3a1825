// Where a hive of a Windows installation mounted in a folder lies, and the transaction logs that
// Windows keeps beside it. Names match without regard to case, as on the platform, and no link
// may lead out of the folder. The hive's folder is held open from here on (hive_folder.h).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace harnlode {

class HiveFolder;

// The hive file below the installation's folder, as Windows keeps it.
inline constexpr std::string_view kSystemHivePath = "Windows/System32/config/SYSTEM";

// The logs beside a hive, whatever kind of entry each is; empty for a log that is not there.
struct HiveLogPaths {
  std::filesystem::path log;   // NAME.LOG
  std::filesystem::path log1;  // NAME.LOG1
  std::filesystem::path log2;  // NAME.LOG2
  // The hive's folder, in which the logs are opened by their names, never following a link;
  // held open by the location the logs were found by and valid as long as it is.
  int folder = -1;
};

struct HiveLocation {
  std::filesystem::path folder;  // the installation's
  // The file read, for messages: the hive, or the spare read in place of a missing one.
  std::filesystem::path hive;
  // The hive's path below the folder, as Windows names it; its logs are named after it.
  std::string relative = std::string(kSystemHivePath);
  std::shared_ptr<const HiveFolder> hive_folder;  // held open
  std::string name;       // the hive's entry in it as found; as Windows names it when missing
  std::string read_name;  // the entry read: `name`, or the spare that a cut-off rename left
  // What the user should know beside the report, in English sentences: the spare read in place of
  // the hive, and the files beside it that are left alone.
  std::vector<std::string> notes;

  bool FromSpare() const { return read_name != name; }
  // Looked up only when asked for: a hive that its last writer finished needs no logs.
  HiveLogPaths Logs() const;
};

// Throws EInstallationError when the folder does not exist, holds no such hive, or a link leads
// out of the folder to it. Where a save cut off inside a rename left the hive under a spare name
// alone, that spare is read in its place; nothing is changed.
HiveLocation LocateHive(const std::filesystem::path& folder, std::string_view relative);
inline HiveLocation LocateSystemHive(const std::filesystem::path& folder) {
  return LocateHive(folder, kSystemHivePath);
}

}  // namespace harnlode
