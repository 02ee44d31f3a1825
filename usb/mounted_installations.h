// Finds the Windows installations among the mounted filesystems: the mount points that hold a
// Windows SYSTEM hive, as /proc/self/mountinfo lists them.
#pragma once

#include <filesystem>
#include <istream>
#include <vector>

namespace harnlode {

// The mount points that the mount table lists, in its order, each once, with the kernel's octal
// escapes (such as \040 for a blank) undone. Kernel-internal filesystems are left out.
std::vector<std::filesystem::path> MountPoints(std::istream& mountinfo);

// Those of the mount points that hold a Windows installation.
std::vector<std::filesystem::path> MountedWindowsInstallations(std::istream& mountinfo);

}  // namespace harnlode
