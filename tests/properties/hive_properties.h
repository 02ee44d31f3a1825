// What must hold for any bytes given as the SYSTEM hive of an installation, whatever they are:
// - neither an analysis nor a tuning run crashes, and each ends normally or with one of the two
//   failures the check reports;
// - an analysis run leaves the hive file byte for byte as it was;
// - a tuning run leaves either the old file or one that opens as a hive again, and when it ends
//   normally, an analysis run of its result finds the system ready.
#pragma once

#include <filesystem>
#include <string>

namespace harnlode {

// Writes `hive` as the SYSTEM hive of the installation in `folder` (which has the folders for it
// and the USB mass-storage driver file), runs both kinds of run on it and returns the property
// that did not hold, or "" when all did. Failures other than the check's two escape.
std::string CheckHiveProperties(const std::filesystem::path& folder, const std::string& hive);

}  // namespace harnlode
