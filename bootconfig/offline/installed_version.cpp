#include "offline/installed_version.h"

#include <exception>
#include <string>

#include "installation_error.h"
#include "offline/hive_file.h"
#include "offline/hive_location.h"
#include "offline/hive_values.h"
#include "offline/installation_path.h"

namespace harnlode {

WindowsVersion ReadInstalledVersion(const std::filesystem::path& folder) {
  if (FindInInstallation(folder, kSoftwareHivePath).status == InstallationPath::Status::kMissing) {
    return {};
  }
  try {
    const HiveFile software(LocateHive(folder, kSoftwareHivePath));
    hive_h* hive = software.Handle();
    const hive_node_h key = hivex::KeyAt(hive, {"Microsoft", "Windows NT", "CurrentVersion"});
    const WindowsVersion version =
        VersionFromCurrentVersion(hivex::TextValue(hive, key, kCurrentVersionName),
                                  hivex::DwordValue(hive, key, kMajorVersionName),
                                  hivex::TextValue(hive, key, kBuildNumberName));
    // What was read through a mapping of a file that changed meanwhile may be a mix of two hives.
    software.RequireUnchanged();
    return version;
  } catch (const std::exception& failure) {
    return {WindowsVersion::Release::kUnknown, "", failure.what()};
  }
}

}  // namespace harnlode
