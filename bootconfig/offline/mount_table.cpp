#include "offline/mount_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

#include "offline/file_descriptor.h"

namespace harnlode {
namespace fs = std::filesystem;
namespace {

// The kernel writes blanks, tabs, newlines and backslashes in names as octal escapes (\040 ...).
std::string Unescaped(std::string_view field) {
  std::string text;
  const auto is_octal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
  for (std::size_t i = 0; i < field.size(); ++i) {
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

// The parts between single separators; an empty part (such as an empty source field) stays one.
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t end = text.find(separator);
    parts.push_back(text.substr(0, end));
    if (end == std::string_view::npos) return parts;
    text.remove_prefix(end + 1);
  }
}

template <typename Number>
bool Parse(std::string_view text, Number* number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *number);
  return error == std::errc() && end == text.data() + text.size();
}

bool HasOption(std::string_view options, std::string_view wanted) {
  const std::vector<std::string_view> all = Split(options, ',');
  return std::find(all.begin(), all.end(), wanted) != all.end();
}

std::optional<MountEntry> ParseEntry(std::string_view line) {
  // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
  const std::vector<std::string_view> fields = Split(line, ' ');
  const auto separator = std::find(fields.begin() + std::min<std::size_t>(fields.size(), 6),
                                   fields.end(), std::string_view("-"));
  if (fields.size() < 6 || separator == fields.end() || std::next(separator) == fields.end()) {
    return std::nullopt;
  }
  MountEntry entry;
  const std::string_view device = fields[2];
  const std::size_t colon = device.find(':');
  if (!Parse(fields[0], &entry.id) || !Parse(fields[1], &entry.parent_id) ||
      colon == std::string_view::npos || !Parse(device.substr(0, colon), &entry.major) ||
      !Parse(device.substr(colon + 1), &entry.minor)) {
    return std::nullopt;
  }
  entry.root = Unescaped(fields[3]);
  entry.mount_point = Unescaped(fields[4]);
  entry.mount_options = fields[5];
  auto after = std::next(separator);
  entry.filesystem_type = Unescaped(*after);
  if (++after != fields.end()) entry.source = Unescaped(*after);
  if (after != fields.end() && ++after != fields.end()) entry.super_options = *after;
  return entry;
}

// The number of components of `point` when it contains `path`, else nothing.
std::optional<std::size_t> ContainedDepth(const fs::path& point, const fs::path& path) {
  const auto [point_end, path_end] =
      std::mismatch(point.begin(), point.end(), path.begin(), path.end());
  if (point_end != point.end()) {
    // "/mnt/win/" ends in an empty component; it contains what "/mnt/win" does.
    if (std::next(point_end) != point.end() || !point_end->empty()) return std::nullopt;
  }
  return static_cast<std::size_t>(std::distance(point.begin(), point_end));
}

}  // namespace

bool MountEntry::MountReadOnly() const { return HasOption(mount_options, "ro"); }
bool MountEntry::SuperblockReadOnly() const { return HasOption(super_options, "ro"); }
bool MountEntry::ReadOnly() const { return MountReadOnly() || SuperblockReadOnly(); }
dev_t MountEntry::Device() const { return makedev(major, minor); }

std::string MountEntry::DriverName() const {
  if ((filesystem_type == "fuseblk" && ntfs_source != false) ||
      (filesystem_type == "fuse" && ntfs_source == true)) {
    return "ntfs-3g";
  }
  for (std::string_view fuse : {"fuse.", "fuseblk."}) {
    if (filesystem_type.starts_with(fuse) && filesystem_type.size() > fuse.size()) {
      return filesystem_type.substr(fuse.size());
    }
  }
  return filesystem_type;
}

bool MountEntry::IsNtfs3g() const {
  const std::string driver = DriverName();
  return driver == "ntfs-3g" || driver == "lowntfs-3g";
}

MountTable ParseMountTable(std::string_view mountinfo) {
  MountTable table;
  for (std::string_view line : Split(mountinfo, '\n')) {
    if (std::optional<MountEntry> entry = ParseEntry(line)) table.push_back(std::move(*entry));
  }
  return table;
}

void ProbeFuseSources(MountTable& table) {
  // An NTFS boot sector names its file system at offset 3.
  constexpr std::string_view kNtfsName = "NTFS    ";
  for (MountEntry& entry : table) {
    if ((entry.filesystem_type != "fuse" && entry.filesystem_type != "fuseblk") ||
        !entry.source.starts_with('/')) {
      continue;
    }
    const FileDescriptor source(::open(entry.source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    std::array<std::uint8_t, 11> start{};
    if (source.get() < 0 || ::fstat(source.get(), &status) != 0 ||
        !(S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) ||
        ReadAt(source.get(), start, 0) != static_cast<ssize_t>(start.size())) {
      continue;
    }
    entry.ntfs_source = std::equal(kNtfsName.begin(), kNtfsName.end(), start.begin() + 3);
  }
}

MountTable ReadMountTable() {
  std::ifstream file("/proc/self/mountinfo");
  std::ostringstream text;
  text << file.rdbuf();
  MountTable table = file ? ParseMountTable(text.str()) : MountTable{};
  ProbeFuseSources(table);
  return table;
}

const MountEntry* MountHolding(const MountTable& table, const fs::path& path,
                               std::optional<dev_t> device) {
  const auto deepest = [&](bool same_device) {
    const MountEntry* found = nullptr;
    std::size_t found_depth = 0;
    for (const MountEntry& entry : table) {
      if (same_device && entry.Device() != *device) continue;
      const std::optional<std::size_t> depth = ContainedDepth(entry.mount_point, path);
      if (depth && (found == nullptr || *depth >= found_depth)) {
        found = &entry;
        found_depth = *depth;
      }
    }
    return found;
  };
  const MountEntry* found = device ? deepest(true) : nullptr;
  return found != nullptr ? found : deepest(false);
}

std::optional<MountEntry> MountHolding(const fs::path& path) {
  std::error_code error;
  const fs::path real = fs::canonical(path, error);
  struct stat status {};
  if (error || ::stat(real.c_str(), &status) != 0) return std::nullopt;
  const MountTable table = ReadMountTable();
  const MountEntry* entry = MountHolding(table, real, status.st_dev);
  if (entry == nullptr) return std::nullopt;
  return *entry;
}

}  // namespace harnlode
