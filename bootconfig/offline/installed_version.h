// Which Windows an installation mounted in a folder is, from its SOFTWARE hive, read where it lies
// and brought up to date from its logs in memory as the SYSTEM hive is, never written.
#pragma once

#include <filesystem>
#include <string_view>

#include "windows_version.h"

namespace harnlode {

inline constexpr std::string_view kSoftwareHivePath = "Windows/System32/config/SOFTWARE";

// kNotRecorded when the folder holds no SOFTWARE hive; kUnknown, saying why, when it cannot be
// read. Never throws.
WindowsVersion ReadInstalledVersion(const std::filesystem::path& folder);

}  // namespace harnlode
