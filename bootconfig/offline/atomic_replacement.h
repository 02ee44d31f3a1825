// Replaces a registry hive file in one step, so that it holds either the old content or the new
// whatever happens: the new content goes to a temporary file beside it, which is flushed to disk
// and renamed over it, and then the folder is flushed. Where the file system renames in steps
// (ntfs-3g), a cut-off rename can leave the old file under another name, which the next run puts
// back (interrupted_saves.h). Copies of this program take turns through the folder's lock, and a
// replacement clears away what saves that never ended left.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "offline/folder_lock.h"

namespace harnlode {

class AtomicReplacement {
 public:
  // Takes the lock of the target's folder. Throws EInstallationError when another program keeps
  // it too long.
  explicit AtomicReplacement(std::filesystem::path target);
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;

  // Writes the new content with `write`, given the temporary file's path (false, with errno set,
  // when it fails), gives the file the rights and owner of `like`, and puts it in the target's
  // place. Throws EInstallationError when the target could not be replaced, which then is as it
  // was, or when the folder could not be flushed after it was.
  void Replace(const std::function<bool(const std::filesystem::path&)>& write,
               const struct stat& like);

  // The target's folder, open for reading its entries while the lock is held; -1 when it cannot
  // be opened.
  int Folder() const { return lock_.Descriptor(); }

 private:
  std::filesystem::path target_;
  FolderLock lock_;
};

}  // namespace harnlode
