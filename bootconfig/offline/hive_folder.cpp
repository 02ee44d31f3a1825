#include "offline/hive_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "installation_error.h"
#include "offline/installation_path.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

HiveFolder::HiveFolder(const std::filesystem::path& installation,
                       const std::filesystem::path& real_relative)
    : root_(::open(installation.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      folder_(-1),
      path_(installation / real_relative) {
  if (root_.get() < 0) {
    throw EInstallationError("The folder " + Quoted(installation) + " cannot be opened (" +
                             std::strerror(errno) + ").");
  }
  int current = ::dup(root_.get());
  for (const std::filesystem::path& component : real_relative) {
    if (component.empty() || component == ".") continue;
    components_.push_back(component.string());
    const int next = ::openat(current, component.c_str(), kFolderFlags);
    const int error = errno;
    ::close(current);
    if (next < 0) {
      throw EInstallationError(
          error == ELOOP || error == ENOTDIR
              ? "The folder " + Quoted(path_) +
                    " cannot be opened: while Harnlode was looking "
                    "at it, " +
                    Quoted(component) +
                    " on its way was replaced by a link or a file, so Harnlode stopped. Check "
                    "who else changes that installation, then run again."
              : CannotLookInto(path_, std::error_code(error, std::generic_category())));
    }
    current = next;
  }
  folder_.reset(current);
  struct stat status = {};
  ::fstat(folder_.get(), &status);
  device_ = status.st_dev;
  inode_ = status.st_ino;
}

void VisitEntries(int folder, const std::function<void(std::string_view)>& visit) {
  const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (entries == nullptr) {
    ::close(listed);
    return;
  }
  while (const dirent* entry = ::readdir(entries)) visit(entry->d_name);
  ::closedir(entries);
}

FileDescriptor OpenRegularFile(int folder, const std::string& name, struct stat* status) {
  // Looked at first, so that nothing but a regular file is ever opened: opening a device may
  // act on it.
  if (::fstatat(folder, name.c_str(), status, AT_SYMLINK_NOFOLLOW) != 0) return FileDescriptor(-1);
  if (S_ISREG(status->st_mode)) {
    FileDescriptor file(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
      const int error = errno;
      if (error == ELOOP) ::fstatat(folder, name.c_str(), status, AT_SYMLINK_NOFOLLOW);
      errno = error;
      return file;
    }
    if (::fstat(file.get(), status) != 0) return FileDescriptor(-1);
    if (S_ISREG(status->st_mode)) return file;
  }
  errno = S_ISLNK(status->st_mode) ? ELOOP : EINVAL;
  return FileDescriptor(-1);
}

std::string EntryKind(mode_t mode) {
  if (S_ISLNK(mode)) return "a link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

bool EntryIs(int folder, const std::string& name, const struct stat& file) {
  struct stat entry = {};
  return ::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(entry.st_mode) && entry.st_dev == file.st_dev && entry.st_ino == file.st_ino;
}

void RemoveIfStill(int folder, const std::string& name, const struct stat& file) {
  // A failure leaves a file that harms no one.
  if (EntryIs(folder, name, file)) ::unlinkat(folder, name.c_str(), 0);
}

std::optional<std::string> HiveFolder::Find(std::string_view name) const {
  const std::string exact(name);
  struct stat status = {};
  if (::fstatat(folder_.get(), exact.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return exact;
  std::optional<std::string> found;
  VisitEntries(folder_.get(), [&](std::string_view candidate) {
    if (SameNameIgnoringCase(candidate, name) && (!found || candidate < *found)) {
      found = std::string(candidate);
    }
  });
  return found;
}

int HiveFolder::Open(std::string_view name, int flags, mode_t mode) const {
  return ::openat(folder_.get(), std::string(name).c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
}

void HiveFolder::RequireInPlace(bool saved) const {
  int current = ::dup(root_.get());
  int error = 0;
  for (const std::string& component : components_) {
    const int next = current < 0 ? -1 : ::openat(current, component.c_str(), kFolderFlags);
    if (current >= 0 && next < 0) error = errno;
    if (current >= 0) ::close(current);
    current = next;
  }
  struct stat status = {};
  const bool in_place = current >= 0 && ::fstat(current, &status) == 0 &&
                        status.st_dev == device_ && status.st_ino == inode_;
  if (current >= 0) ::close(current);
  if (in_place) return;
  // A disk that fails, or a driver that stopped, is no folder moved away.
  if (error != 0 && error != ENOENT && error != ELOOP && error != ENOTDIR) {
    throw EInstallationError(
        CannotLookInto(path_, std::error_code(error, std::generic_category())) +
        (saved ? " The changes had been saved before." : " Harnlode saved nothing."));
  }
  throw EInstallationError(
      "The folder " + Quoted(path_) +
      " was moved away, or replaced by a link, while Harnlode was working on it. " +
      (saved ? "The changes were saved into the folder that Harnlode had checked, wherever it is "
               "now, and nowhere else."
             : "Harnlode saved nothing.") +
      " Check who else changes that installation, then run again.");
}

}  // namespace harnlode
