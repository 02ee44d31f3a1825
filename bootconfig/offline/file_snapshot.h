// What a file was when it was read, to tell later whether it is still that file: another program
// may have replaced it or written it in place meanwhile. File times have a coarse resolution on
// some file systems, so the bytes read are compared as well, through a digest.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace harnlode {

class FileSnapshot {
 public:
  // A file that is not there, or cannot be opened.
  FileSnapshot() = default;
  // A file with this status whose first bytes are `content` (all of it, or as much as tells
  // one version from another, such as a hive's header).
  FileSnapshot(const struct stat& status, std::span<const std::uint8_t> content);

  // The entry `name` of the folder open as `folder` now, covering as many bytes as `like` does.
  // It is never followed, nor opened unless it is a regular file: anything else, a link included,
  // is told by its status alone.
  static FileSnapshot Take(int folder, const std::string& name, const FileSnapshot& like);
  // The regular file open as `file` now, covering as many bytes as `like` does.
  static FileSnapshot Of(int file, const FileSnapshot& like);

  // True when the entry `name` of the folder open as `folder` is the same file, with the same
  // status and bytes; a file that was absent must still be absent.
  bool StillMatches(int folder, const std::string& name) const;

  const struct stat& Status() const { return status_; }

  friend bool operator==(const FileSnapshot& a, const FileSnapshot& b);

 private:
  bool present_ = false;
  struct stat status_ = {};
  std::size_t covered_ = 0;
  std::uint64_t digest_ = 0;
};

}  // namespace harnlode
