#include "offline/atomic_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "installation_error.h"
#include "offline/interrupted_saves.h"

namespace harnlode {
namespace {

// ntfs-3g renames over a file through a spare name that it numbers afresh at every try, and fails
// with EEXIST where a driver killed earlier left that name damaged, beyond removing; the next
// number is free. A failed try leaves both files as they were.
bool RenameOver(const std::string& from, const std::filesystem::path& to) {
  constexpr int kTries = 16;
  for (int tried = 1;; ++tried) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EEXIST || tried == kTries) return false;
  }
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::filesystem::path target)
    : target_(std::move(target)), lock_(target_.parent_path(), kSavePatience) {
  // Between the caller's last look at the target and the rename, no other copy replaces it, and
  // every temporary file found is a dead one's.
  if (lock_.GetState() == FolderLock::State::kBusy) {
    throw EInstallationError(
        "The registry hive " + Quoted(target_) +
        " is being saved by another program, so Harnlode did not save its changes. Wait for "
        "that program to end, then run again.");
  }
  if (lock_.GetState() == FolderLock::State::kHeld) {
    RemoveLeftoversOfSaves(lock_.Descriptor(), target_.filename().string());
  }
}

void AtomicReplacement::Replace(const std::function<bool(const std::filesystem::path&)>& write,
                                const struct stat& like) {
  const std::filesystem::path folder = target_.parent_path();
  std::string temporary = (folder / TemporaryFileTemplate(target_.filename().string())).string();
  const int created = ::mkstemp(temporary.data());
  if (created < 0) {
    throw EInstallationError(
        "The changes could not be saved to the registry hive " + Quoted(target_) +
        ": no new file can be made in " + Quoted(folder) + " (" + std::strerror(errno) +
        "). The hive was left as it was; check the folder's rights, then run again.");
  }
  auto fail_saving = [&](const std::string& what, int error) {
    ::close(created);
    ::unlink(temporary.c_str());
    throw EInstallationError(
        "The changes could not be saved to the registry hive " + Quoted(target_) + ": " + what +
        " (" + std::strerror(error) + "). The hive was left as it was; " +
        // A file that is there and yet cannot be found or read: the volume is inconsistent,
        // as a driver that died while writing it leaves it.
        (error == EIO || error == ENOENT
             ? "the disk or its file system may be damaged: let Windows check the volume "
               "(chkdsk /f), then run again."
             : "free some space or check the folder's rights, then run again."));
  };
  // The new file takes the old one's place, so it takes its permissions and, where allowed, owner.
  if (::fchmod(created, like.st_mode & 07777) != 0) fail_saving("setting rights", errno);
  if (::fchown(created, like.st_uid, like.st_gid) != 0 && errno != EPERM) {
    fail_saving("setting the owner", errno);
  }
  errno = 0;
  if (!write(temporary)) fail_saving("writing", errno);
  {
    // Flushed through a descriptor of its own: the writer may have replaced the file's content
    // through another.
    const int written = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = written >= 0 && ::fsync(written) == 0;
    const int error = errno;
    if (written >= 0) ::close(written);
    if (!flushed) fail_saving("flushing", error);
  }
  if (!RenameOver(temporary, target_)) fail_saving("replacing", errno);
  ::close(created);
  // Other names of the old file are stale now.
  if (lock_.GetState() == FolderLock::State::kHeld) {
    RemoveLeftoversOfSaves(lock_.Descriptor(), target_.filename().string());
  }
  const int unflushed = lock_.Descriptor() < 0             ? lock_.Error()
                        : ::fsync(lock_.Descriptor()) != 0 ? errno
                                                           : 0;
  if (unflushed != 0) {
    throw EInstallationError("The registry hive " + Quoted(target_) +
                             " was saved, but its folder could not be flushed to disk (" +
                             std::strerror(unflushed) +
                             "); a power failure now could lose the change.");
  }
}

}  // namespace harnlode
