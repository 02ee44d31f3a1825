#include "offline/atomic_replacement.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "installation_error.h"
#include "offline/file_descriptor.h"
#include "offline/interrupted_saves.h"

namespace harnlode {
namespace {

// ntfs-3g renames over a file through a spare name that it numbers afresh at every try, and fails
// with EEXIST where a driver killed earlier left that name damaged, beyond removing; the next
// number is free. A failed try leaves both files as they were.
bool RenameOver(int folder, const std::string& from, const std::string& to) {
  constexpr int kTries = 16;
  for (int tried = 1;; ++tried) {
    if (::renameat(folder, from.c_str(), folder, to.c_str()) == 0) return true;
    if (errno != EEXIST || tried == kTries) return false;
  }
}

// A new file of our temporary name in the folder, as mkstemp makes one: -1 with errno set when
// none can be made.
int CreateTemporary(const HiveFolder& folder, const std::string& name, std::string* temporary) {
  static constexpr std::string_view kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> letter(0, kLetters.size() - 1);
  for (int tried = 0; tried < 100; ++tried) {
    *temporary = TemporaryFileTemplate(name);
    for (std::size_t at = temporary->find("XXXXXX"); at < temporary->size(); ++at) {
      (*temporary)[at] = kLetters[letter(random)];
    }
    const int created = folder.Open(*temporary, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (created >= 0 || errno != EEXIST) return created;
  }
  return -1;
}

// What to do about a failed write into the folder, by its cause.
std::string Advice(int folder, int error) {
  // A file that is there and yet cannot be found or read: the volume is inconsistent, as a
  // driver that died while writing it leaves it.
  if (error == EIO || error == ENOENT) {
    return "the disk or its file system may be damaged: let Windows check the volume (chkdsk /f), "
           "then run again.";
  }
  struct statvfs volume {};
  if (error == ENOSPC && ::fstatvfs(folder, &volume) == 0 && volume.f_favail == 0 &&
      volume.f_files != 0) {
    return "the volume has no room for another file (all its inodes are used, however much space "
           "is free): remove some files from it, then run again.";
  }
  if (error == ENOSPC || error == EDQUOT || error == EFBIG) {
    return "free some space on the volume, then run again.";
  }
  return "check the folder's rights, then run again.";
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::shared_ptr<const HiveFolder> folder, std::string name)
    : folder_(std::move(folder)),
      name_(std::move(name)),
      lock_(folder_->Descriptor(), kSavePatience) {
  // Between the caller's last look at the target and the rename, no other copy replaces it, and
  // every temporary file found is a dead one's.
  if (lock_.GetState() == FolderLock::State::kBusy) {
    throw EInstallationError(
        "The registry hive " + Quoted(Target()) +
        " is being saved by another program, so Harnlode did not save its changes. Wait for "
        "that program to end, then run again.");
  }
  RemoveLeftovers();
}

std::vector<std::string> AtomicReplacement::Notes() const {
  std::vector<std::string> notes;
  for (const std::string& spare : left_alone_) {
    notes.push_back("The file " + Quoted(folder_->Path() / spare) +
                    " beside the registry hive is named as ntfs-3g names the hive while it "
                    "replaces it, but it holds no older copy of the hive, so Harnlode left it "
                    "alone. Remove it yourself if it is of no use.");
  }
  return notes;
}

void AtomicReplacement::RemoveLeftovers() {
  if (lock_.GetState() == FolderLock::State::kHeld) {
    left_alone_ = RemoveLeftoversOfSaves(folder_->Descriptor(), name_);
  }
}

FileDescriptor AtomicReplacement::Replace(const std::function<bool(int)>& write,
                                          const struct stat& like) {
  const int folder = folder_->Descriptor();
  std::string temporary;
  FileDescriptor created(CreateTemporary(*folder_, name_, &temporary));
  struct stat made = {};
  if (created.get() < 0 || ::fstat(created.get(), &made) != 0) {
    const int error = errno;
    throw EInstallationError("The changes could not be saved to the registry hive " +
                             Quoted(Target()) + ": no new file can be made in " +
                             Quoted(folder_->Path()) + " (" + std::strerror(error) +
                             "). The hive was left as it was; " + Advice(folder, error));
  }
  auto fail_saving = [&](const std::string& what, int error) {
    RemoveIfStill(folder, temporary, made);
    throw EInstallationError("The changes could not be saved to the registry hive " +
                             Quoted(Target()) + ": " + what + " (" + std::strerror(error) +
                             "). The hive was left as it was; " + Advice(folder, error));
  };
  errno = 0;
  if (!write(created.get())) fail_saving("writing", errno);
  // The new file takes the old one's place, so it takes its permissions and, where allowed, owner;
  // only once written, so that the writer opens a file of ours alone.
  if (::fchmod(created.get(), like.st_mode & 07777) != 0) fail_saving("setting rights", errno);
  if (::fchown(created.get(), like.st_uid, like.st_gid) != 0 && errno != EPERM) {
    fail_saving("setting the owner", errno);
  }
  if (::fsync(created.get()) != 0) fail_saving("flushing", errno);
  try {
    folder_->RequireInPlace(false);
  } catch (const EInstallationError&) {
    RemoveIfStill(folder, temporary, made);
    throw;
  }
  // Whatever stands under the temporary's name unless it is the file made here was put there by
  // someone else, and is neither renamed nor removed.
  if (!EntryIs(folder, temporary, made)) ThrowChangedWhileSaving(false);
  if (!RenameOver(folder, temporary, name_)) fail_saving("replacing", errno);
  if (!EntryIs(folder, name_, made)) ThrowChangedWhileSaving(true);
  // Other names of the old file are stale now.
  RemoveLeftovers();
  if (::fsync(folder) != 0) {
    throw EInstallationError("The registry hive " + Quoted(Target()) +
                             " was saved, but its folder could not be flushed to disk (" +
                             std::strerror(errno) +
                             "); a power failure now could lose the change.");
  }
  folder_->RequireInPlace(true);
  return created;
}

void AtomicReplacement::ThrowChangedWhileSaving(bool renamed) const {
  throw EInstallationError(
      "The folder " + Quoted(folder_->Path()) +
      " changed while Harnlode was saving the registry hive " + Quoted(Target()) +
      " in it: the new file that Harnlode wrote was " +
      (renamed ? "put in the hive's place, and then something else was put under the hive's name."
               : "moved away or replaced before it could take the hive's place, so Harnlode saved "
                 "nothing.") +
      " Harnlode removed nothing it had not made. Check who else changes that installation, then "
      "run again.");
}

}  // namespace harnlode
