#include "offline/atomic_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>

#include "installation_error.h"

namespace harnlode {
namespace {

// How long a save waits for another program's save into the same folder to end.
constexpr std::chrono::seconds kSavePatience(10);
// The new hive is written to ".SYSTEM.harnlode-XXXXXX" beside "SYSTEM".
constexpr char kTemporaryInfix[] = ".harnlode-";
constexpr std::size_t kTemporaryUniquePart = 6;  // mkstemp's XXXXXX

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string SystemError(int error) { return std::strerror(error); }

[[noreturn]] void Fail(const std::string& message) { throw EInstallationError(message); }

std::string TemporaryPrefix(const std::filesystem::path& target) {
  return "." + target.filename().string() + kTemporaryInfix;
}

// Removes the temporary files that saves which never ended left in the folder: regular files named
// as ours are, with nothing else changed. Only safe while holding the folder's lock.
void RemoveDeadTemporaries(int folder, const std::string& prefix) {
  const int listed = ::dup(folder);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (entries == nullptr) {
    ::close(listed);
    return;
  }
  while (const dirent* entry = ::readdir(entries)) {
    const std::string_view name = entry->d_name;
    struct stat found = {};
    if (name.size() == prefix.size() + kTemporaryUniquePart && name.starts_with(prefix) &&
        ::fstatat(folder, entry->d_name, &found, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(found.st_mode)) {
      ::unlinkat(folder, entry->d_name, 0);  // a failure leaves a file that harms no one
    }
  }
  ::closedir(entries);
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::filesystem::path target)
    : target_(std::move(target)), lock_(target_.parent_path(), kSavePatience) {
  // Between the caller's last look at the target and the rename, no other copy replaces it, and
  // every temporary file found is a dead one's.
  if (lock_.GetState() == FolderLock::State::kBusy) {
    Fail("The registry hive " + Quoted(target_) +
         " is being saved by another program, so Harnlode did not save its changes. Wait for "
         "that program to end, then run again.");
  }
  if (lock_.GetState() == FolderLock::State::kHeld) {
    RemoveDeadTemporaries(lock_.Descriptor(), TemporaryPrefix(target_));
  }
}

void AtomicReplacement::Replace(const std::function<bool(const std::filesystem::path&)>& write,
                                const struct stat& like) {
  const std::filesystem::path folder = target_.parent_path();
  std::string temporary = (folder / (TemporaryPrefix(target_) + "XXXXXX")).string();
  const int created = ::mkstemp(temporary.data());
  if (created < 0) {
    Fail("The changes could not be saved to the registry hive " + Quoted(target_) +
         ": no new file can be made in " + Quoted(folder) + " (" + SystemError(errno) +
         "). The hive was left as it was; check the folder's rights, then run again.");
  }
  auto fail_saving = [&](const std::string& what, int error) {
    ::close(created);
    ::unlink(temporary.c_str());
    Fail("The changes could not be saved to the registry hive " + Quoted(target_) + ": " + what +
         " (" + SystemError(error) +
         "). The hive was left as it was; free some space or check "
         "the folder's rights, then run again.");
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
  if (::rename(temporary.c_str(), target_.c_str()) != 0) fail_saving("replacing", errno);
  ::close(created);
  const int unflushed = lock_.Descriptor() < 0             ? lock_.Error()
                        : ::fsync(lock_.Descriptor()) != 0 ? errno
                                                           : 0;
  if (unflushed != 0) {
    Fail("The registry hive " + Quoted(target_) + " was saved, but its folder could not be " +
         "flushed to disk (" + SystemError(unflushed) +
         "); a power failure now could lose the change.");
  }
}

}  // namespace harnlode
