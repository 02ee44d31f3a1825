// Replaces a registry hive file in one step, so that it holds either the old content or the new
// whatever happens: the new content goes to a temporary file beside it, which is flushed to disk
// and renamed over it, and then the folder is flushed. Everything happens in the folder held open
// (hive_folder.h), the rename too. Where the file system renames in steps (ntfs-3g), a cut-off
// rename can leave the old file under another name, which a later tuning run puts back
// (interrupted_rename.h). Copies of this program take turns through the folder's lock, and a
// replacement clears away what saves that never ended left.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "offline/file_descriptor.h"
#include "offline/folder_lock.h"
#include "offline/hive_folder.h"

namespace harnlode {

class AtomicReplacement {
 public:
  // Takes the lock of the folder, for replacing its file `name`. Throws EInstallationError when
  // another program keeps it too long.
  AtomicReplacement(std::shared_ptr<const HiveFolder> folder, std::string name);
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;

  // Writes the new content with `write` into the temporary file, given its descriptor (false, with
  // errno set, when it fails), gives the file the rights and owner of `like`, puts it in the
  // target's place and returns its descriptor. Once the file is made, nothing is opened, changed
  // or removed by a name that the folder's owner could have replaced meanwhile, and the file is
  // put in place only while its name still stands for it. Throws EInstallationError when the
  // target could not be replaced, which then is as it was, when the folder could not be flushed
  // after it was, or when the folder was moved away or changed under the save meanwhile.
  FileDescriptor Replace(const std::function<bool(int)>& write, const struct stat& like);

  // For the user, in English sentences: the spare names beside the target that the replacement
  // did not remove, since they may not be leftovers of saves.
  std::vector<std::string> Notes() const;

 private:
  std::filesystem::path Target() const { return folder_->Path() / name_; }
  void RemoveLeftovers();
  [[noreturn]] void ThrowChangedWhileSaving(bool renamed) const;

  std::shared_ptr<const HiveFolder> folder_;
  std::string name_;
  FolderLock lock_;
  std::vector<std::string> left_alone_;
};

}  // namespace harnlode
