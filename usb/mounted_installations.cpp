#include "mounted_installations.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "offline/installation_path.h"
#include "offline/mount_table.h"
#include "offline/offline_system.h"

namespace harnlode {
namespace {

// Filesystems that never hold files of a Windows installation; looking into them costs time.
constexpr std::array<std::string_view, 17> kKernelFilesystems = {
    "autofs",  "binfmt_misc", "bpf",        "cgroup",    "cgroup2", "configfs",
    "debugfs", "devpts",      "fusectl",    "hugetlbfs", "mqueue",  "nsfs",
    "proc",    "pstore",      "securityfs", "sysfs",     "tracefs"};

}  // namespace

std::vector<std::filesystem::path> MountPoints(std::istream& mountinfo) {
  const std::string text(std::istreambuf_iterator<char>(mountinfo), {});
  std::vector<std::filesystem::path> points;
  for (const MountEntry& entry : ParseMountTable(text)) {
    if (std::find(kKernelFilesystems.begin(), kKernelFilesystems.end(), entry.filesystem_type) !=
        kKernelFilesystems.end()) {
      continue;
    }
    if (std::find(points.begin(), points.end(), entry.mount_point) == points.end()) {
      points.push_back(entry.mount_point);
    }
  }
  return points;
}

std::vector<std::filesystem::path> MountedWindowsInstallations(std::istream& mountinfo) {
  std::vector<std::filesystem::path> found;
  for (const std::filesystem::path& point : MountPoints(mountinfo)) {
    try {
      if (FindInInstallation(point, OfflineSystem::kSystemHive).status ==
          InstallationPath::Status::kFound) {
        found.push_back(point);
      }
    } catch (const std::exception&) {
      // A mount point that cannot be looked into holds no installation that could be used.
    }
  }
  return found;
}

}  // namespace harnlode
