// The mount table as data: the entries of /proc/self/mountinfo, and the entry that holds a path.
// The parser is pure, so that any table text can be examined; ReadMountTable reads this process's.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harnlode {

struct MountEntry {
  unsigned long id = 0;
  unsigned long parent_id = 0;
  // The st_dev of files on the mounted filesystem (btrfs subvolumes excepted).
  unsigned int major = 0;
  unsigned int minor = 0;
  std::filesystem::path root;         // the folder of the filesystem that is mounted
  std::filesystem::path mount_point;  // where it is mounted, the kernel's escapes undone
  std::string mount_options;          // of this mount point, such as "ro,nosuid,relatime"
  std::string filesystem_type;        // as the kernel names it: "ext4", "ntfs3", "fuseblk", ...
  std::string source;                 // such as "/dev/sdb1", the escapes undone
  std::string super_options;          // of the filesystem, shared by all its mount points
  // For a FUSE mount from a device or an image file: whether its source holds an NTFS volume,
  // once looked at (ProbeFuseSources); ntfs-3g mounts an image as plain "fuse".
  std::optional<bool> ntfs_source;

  // True when the mount point or the filesystem is mounted read-only ("ro" in either options).
  bool ReadOnly() const;
  bool MountReadOnly() const;       // "ro" among the mount point's options
  bool SuperblockReadOnly() const;  // "ro" among the filesystem's options
  dev_t Device() const;
  // The driver that serves the filesystem, as a user knows it: ntfs-3g for a "fuse" or "fuseblk"
  // mount whose source holds an NTFS volume, and for "fuseblk" (the type that ntfs-3g's mounts of
  // a device show) whose source was not looked at; the subtype for "fuse.NAME" and
  // "fuseblk.NAME"; else the type.
  std::string DriverName() const;
  // True for the mounts that ntfs-3g makes, which it makes read-only when Windows is hibernated.
  bool IsNtfs3g() const;
};

using MountTable = std::vector<MountEntry>;

// The entries of mountinfo text, in its order. Lines that are not entries are skipped.
MountTable ParseMountTable(std::string_view mountinfo);

// Looks at the source of every FUSE mount without a subtype that is a file or a device, and notes
// whether it holds an NTFS volume (ntfs_source); a source that cannot be read stays unknown.
void ProbeFuseSources(MountTable& table);

// This process's mount table, its FUSE sources probed; empty when /proc/self/mountinfo cannot
// be read.
MountTable ReadMountTable();

// The entry that holds `path` (an absolute path, links resolved): among the entries whose device
// is `device` (the path's st_dev, when known) the one with the longest mount point that contains
// the path; when none has that device, the one with the longest such mount point. Of entries on
// the same mount point, the last listed wins, as it is the one on top. Null when none contains it.
const MountEntry* MountHolding(const MountTable& table, const std::filesystem::path& path,
                               std::optional<dev_t> device);

// The same for this process's mount table and the path as it is now (its links resolved, its
// st_dev read); nothing when the path or the table cannot be read.
std::optional<MountEntry> MountHolding(const std::filesystem::path& path);

}  // namespace harnlode
