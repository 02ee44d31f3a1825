#include "offline/mounted_installations.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <system_error>

#include "offline/hive_location.h"
#include "offline/installation_path.h"
#include "offline/windows_identity.h"

namespace harnlode {
namespace {

// Filesystems that never hold files of a Windows installation; looking into them costs time.
constexpr std::array<std::string_view, 17> kKernelFilesystems = {
    "autofs",  "binfmt_misc", "bpf",        "cgroup",    "cgroup2", "configfs",
    "debugfs", "devpts",      "fusectl",    "hugetlbfs", "mqueue",  "nsfs",
    "proc",    "pstore",      "securityfs", "sysfs",     "tracefs"};

bool HoldsInstallation(const std::filesystem::path& folder) {
  try {
    return FindInInstallation(folder, kSystemHivePath).status == InstallationPath::Status::kFound;
  } catch (const std::exception&) {
    // A mount point that cannot be looked into holds no installation that could be used.
    return false;
  }
}

// udev writes the bytes that a link name may not hold as \xHH.
std::string UnescapedLabel(std::string_view name) {
  std::string label;
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char byte = 0;
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        std::from_chars(name.data() + i + 2, name.data() + i + 4, byte, 16).ptr ==
            name.data() + i + 4) {
      label += static_cast<char>(byte);
      i += 3;
    } else {
      label += name[i];
    }
  }
  return label;
}

std::string LabelOf(const std::string& device, const std::filesystem::path& labels) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::canonical(device, error);
  if (error) return {};
  for (std::filesystem::directory_iterator it(labels, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code link_error;
    if (std::filesystem::canonical(it->path(), link_error) == target && !link_error) {
      return UnescapedLabel(it->path().filename().string());
    }
  }
  return {};
}

std::uintmax_t FilesystemSize(const std::filesystem::path& folder) {
  struct statvfs filesystem = {};
  if (::statvfs(folder.c_str(), &filesystem) != 0) return 0;
  return std::uintmax_t{filesystem.f_blocks} * filesystem.f_frsize;
}

}  // namespace

MountedInstallation DescribeInstallation(const std::filesystem::path& folder,
                                         const MountEntry* mount,
                                         const std::filesystem::path& labels) {
  MountedInstallation found;
  found.folder = folder;
  if (mount) {
    found.device = mount->source;
    found.driver = mount->DriverName();
    found.read_only = mount->ReadOnly();
    found.label = LabelOf(mount->source, labels);
  }
  found.size = FilesystemSize(folder);
  const WindowsIdentity identity = ReadWindowsIdentity(folder);
  found.windows_version = identity.version;
  found.computer_name = identity.computer_name;
  found.hibernation = InstallationHibernation(folder).state;
  return found;
}

std::vector<MountedInstallation> MountedWindowsInstallations(const MountTable& table,
                                                             const std::filesystem::path& labels) {
  std::vector<MountedInstallation> found;
  std::vector<std::filesystem::path> seen;
  for (const MountEntry& entry : table) {
    if (std::find(kKernelFilesystems.begin(), kKernelFilesystems.end(), entry.filesystem_type) !=
            kKernelFilesystems.end() ||
        std::find(seen.begin(), seen.end(), entry.mount_point) != seen.end()) {
      continue;
    }
    seen.push_back(entry.mount_point);
    if (!HoldsInstallation(entry.mount_point)) continue;
    // Of entries on one mount point the last is the one on top, whose files are seen there.
    const auto on_top = std::find_if(table.rbegin(), table.rend(), [&](const MountEntry& other) {
      return other.mount_point == entry.mount_point;
    });
    found.push_back(DescribeInstallation(entry.mount_point, &*on_top, labels));
  }
  return found;
}

}  // namespace harnlode
