#include "mounted_installations.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <string_view>

#include "offline/installation_path.h"
#include "offline/offline_system.h"

namespace harnlode {
namespace {

// Filesystems that never hold files of a Windows installation; looking into them costs time.
constexpr std::array<std::string_view, 17> kKernelFilesystems = {
    "autofs",  "binfmt_misc", "bpf",        "cgroup",    "cgroup2", "configfs",
    "debugfs", "devpts",      "fusectl",    "hugetlbfs", "mqueue",  "nsfs",
    "proc",    "pstore",      "securityfs", "sysfs",     "tracefs"};

std::string Unescaped(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto is_octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && is_octal(i + 1) && is_octal(i + 2) &&
        is_octal(i + 3)) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

}  // namespace

std::vector<std::filesystem::path> MountPoints(std::istream& mountinfo) {
  std::vector<std::filesystem::path> points;
  std::string line;
  while (std::getline(mountinfo, line)) {
    // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
    std::istringstream fields(line);
    std::string id, parent, device, root, mount_point, field;
    if (!(fields >> id >> parent >> device >> root >> mount_point)) continue;
    std::string type;
    while (fields >> field) {
      if (field == "-") {
        fields >> type;
        break;
      }
    }
    if (std::find(kKernelFilesystems.begin(), kKernelFilesystems.end(), type) !=
        kKernelFilesystems.end()) {
      continue;
    }
    std::filesystem::path point = Unescaped(mount_point);
    if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
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
