// Finds the Windows installations among the mounted filesystems, the mount points that hold a
// Windows SYSTEM hive, and what a user needs to tell them apart.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "offline/hibernation.h"
#include "offline/mount_table.h"

namespace harnlode {

struct MountedInstallation {
  std::filesystem::path folder;  // the mount point
  std::string device;            // the mount's source, such as "/dev/sdb1"
  std::string driver;            // such as "ntfs3" or "ntfs-3g"
  std::string label;             // the volume label; empty when it has none or it is unknown
  std::uintmax_t size = 0;       // of the filesystem, in bytes; 0 when unknown
  std::string windows_version;   // from its registry; empty when unknown
  std::string computer_name;     // from its registry; empty when unknown
  bool read_only = false;
  HibernationState hibernation = HibernationState::kNotHibernated;
};

// What is known of the installation in `folder`, which the entry `mount` holds (or null).
// `labels` is the folder of links named by volume label, as udev makes /dev/disk/by-label.
MountedInstallation DescribeInstallation(const std::filesystem::path& folder,
                                         const MountEntry* mount,
                                         const std::filesystem::path& labels);

// The installations at the table's mount points, in its order, each mount point once.
// Kernel-internal filesystems are not looked into.
std::vector<MountedInstallation> MountedWindowsInstallations(
    const MountTable& table, const std::filesystem::path& labels = "/dev/disk/by-label");

}  // namespace harnlode
