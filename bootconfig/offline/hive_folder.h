// The folder that holds a hive, held open from the first look at the installation to the end of a
// save. It is reached once, from the installation's folder, through directory descriptors opened
// without following links, and every file in it is then reached through its descriptor: another
// user who swaps a folder on the way for a link cannot make a run read one folder and write
// another.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "offline/file_descriptor.h"

namespace harnlode {

// Calls `visit` with the name of every entry of the folder open as `folder`, "." and ".." included,
// through a reading of its own that leaves `folder`'s position alone. Nothing when it cannot be
// listed.
void VisitEntries(int folder, const std::function<void(std::string_view)>& visit);

// Opens the entry `name` of the folder open as `folder` for reading when it is a regular file,
// neither following a link nor waiting for a named pipe's writer, and sets `status` to what the
// entry is. -1 with errno set when it cannot be opened; EINVAL, with `status` telling what it is,
// when it is no regular file (ELOOP for a link).
FileDescriptor OpenRegularFile(int folder, const std::string& name, struct stat* status);

// "a named pipe", "a link", "a folder"... for an entry with the mode `mode` that is no regular
// file.
std::string EntryKind(mode_t mode);

// True when the entry `name` of the folder open as `folder` is the file whose status is `file`,
// not a link to it nor another file put under that name.
bool EntryIs(int folder, const std::string& name, const struct stat& file);
// Removes the entry `name` when it is still the file whose status is `file`: the folder's owner
// may have put another under its name, which is not ours to remove.
void RemoveIfStill(int folder, const std::string& name, const struct stat& file);

class HiveFolder {
 public:
  // Opens `real_relative`, the real path (no links, names as they are on disk) of the folder below
  // the installation's folder `installation`, one component at a time. Throws EInstallationError
  // when a component is not a folder, or is a link, by the time it is opened.
  HiveFolder(const std::filesystem::path& installation, const std::filesystem::path& real_relative);
  HiveFolder(const HiveFolder&) = delete;
  HiveFolder& operator=(const HiveFolder&) = delete;

  int Descriptor() const { return folder_.get(); }
  // Where the folder was found, for messages.
  const std::filesystem::path& Path() const { return path_; }

  // The entry that is named `name`, or else the first, in name order, of those that differ from it
  // in case only.
  std::optional<std::string> Find(std::string_view name) const;
  // Opens an entry without following a link; -1 with errno set when it cannot.
  int Open(std::string_view name, int flags, mode_t mode = 0) const;

  // Throws EInstallationError, saying that nothing was saved when `saved` is false, when the
  // folder is no longer reached from the installation's folder by the path it was found at: a
  // folder on the way was moved, or replaced by a link.
  void RequireInPlace(bool saved) const;

 private:
  FileDescriptor root_;
  FileDescriptor folder_;
  std::vector<std::string> components_;
  std::filesystem::path path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

}  // namespace harnlode
