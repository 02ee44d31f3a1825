#include "offline/write_refusal.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "installation_error.h"
#include "offline/hibernation.h"
#include "offline/installation_messages.h"
#include "offline/mount_table.h"

namespace harnlode {
namespace fs = std::filesystem;
namespace {

std::string ShutDownOrNoFastStartup() {
  return "start that Windows, then " + std::string(kShutDownFully) + ", or turn Fast Startup off";
}

// 0 when the path may be written, else the reason as an errno value.
int WriteError(const fs::path& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

bool OnReadOnlyVolume(const fs::path& path) {
  struct statvfs volume {};
  return ::statvfs(path.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0;
}

std::string ReadOnlyVolume(const fs::path& hive, const Hibernation& hibernation) {
  const std::optional<MountEntry> mount = MountHolding(hive.parent_path());
  const std::string start =
      "The volume that holds the registry hive " + Quoted(hive) + " is mounted read-only";
  if (!mount) return start + ". Mount it read-write, then try again.";
  const std::string source = mount->source.empty() ? "a volume" : mount->source;
  std::string text = start + ": " + source + " at " + Quoted(mount->mount_point) +
                     ", with the driver " + mount->DriverName();
  if (mount->DriverName() != mount->filesystem_type) {
    text += " (filesystem type " + mount->filesystem_type + ")";
  }
  if (mount->IsNtfs3g()) {
    // ntfs-3g keeps no remount; it mounts again, read-write when Windows lets it.
    if (hibernation.state != HibernationState::kNotHibernated) {
      return text +
             ". ntfs-3g mounts a volume read-only while the Windows on it is hibernated or was "
             "not shut down fully: " +
             ShutDownOrNoFastStartup() + ", then mount it again and try again.";
    }
    return text +
           ". Unmount it and mount it again read-write through ntfs-3g (for example: sudo "
           "umount " +
           Quoted(mount->mount_point) + " && sudo ntfs-3g -o rw " + source + " " +
           Quoted(mount->mount_point) +
           "), then try again. Should ntfs-3g refuse, the Windows on it was not shut down "
           "fully: " +
           ShutDownOrNoFastStartup() + ".";
  }
  if (mount->filesystem_type.starts_with("fuse")) {
    return text + ". Unmount it and mount it again read-write with " + mount->DriverName() +
           ", then try again.";
  }
  // A mount point made read-only over a writable filesystem (a bind mount, say) is made
  // writable alone; a read-only filesystem is remounted.
  const std::string options = mount->SuperblockReadOnly() ? "remount,rw" : "remount,bind,rw";
  return text + ". Mount it read-write (for example: sudo mount -o " + options + " " +
         Quoted(mount->mount_point) + "), then try again.";
}

std::string UserName() {
  const passwd* user = ::getpwuid(::geteuid());
  if (user != nullptr && user->pw_name != nullptr) return user->pw_name;
  return "with user ID " + std::to_string(::geteuid());
}

std::string NoRights(const fs::path& hive, bool hive_refused, bool folder_refused) {
  std::string what;
  if (hive_refused) what = "the registry hive " + Quoted(hive);
  if (hive_refused && folder_refused) what += " or ";
  if (folder_refused) {
    what += (hive_refused ? "its folder " : "the folder of the registry hive, ") +
            Quoted(hive.parent_path());
  }
  return "The user " + UserName() + ", who runs Harnlode, may not write " + what +
         ". Run Harnlode as a user who may, for example with sudo.";
}

std::string Hibernated(const Hibernation& hibernation) {
  if (hibernation.state == HibernationState::kHibernated) {
    return "The Windows on this volume is hibernated: its file " + Quoted(hibernation.file) +
           " holds the memory image that Windows resumes from at its next start (a Fast Startup "
           "shutdown leaves one too), so changes made now would be lost or would damage the "
           "volume. Harnlode changes nothing while it is so: " +
           ShutDownOrNoFastStartup() + ", then try again.";
  }
  return "Harnlode cannot tell whether the Windows on this volume is hibernated: its file " +
         Quoted(hibernation.file) + " " + hibernation.reason +
         ". Harnlode changes nothing while Windows may resume from a memory image and lose the "
         "changes: make the file readable, or " +
         ShutDownOrNoFastStartup() + ", then try again.";
}

}  // namespace

std::string ExplainWriteRefusal(const fs::path& installation, const WriteRefusal& refusal) {
  std::vector<std::string> causes;
  const fs::path& hive = refusal.hive;
  const int hive_error = WriteError(hive);
  const int folder_error = WriteError(hive.parent_path());
  const Hibernation hibernation = InstallationHibernation(installation);
  if (hive_error == EROFS || folder_error == EROFS || OnReadOnlyVolume(hive.parent_path())) {
    causes.push_back(ReadOnlyVolume(hive, hibernation));
  } else if (hive_error != 0 || folder_error != 0) {
    causes.push_back(NoRights(hive, hive_error != 0, folder_error != 0));
  }
  if (refusal.changes_meant && hibernation.state != HibernationState::kNotHibernated) {
    causes.push_back(Hibernated(hibernation));
  }
  std::string text;
  for (const std::string& cause : causes) text += (text.empty() ? "" : "\n") + cause;
  return text;
}

}  // namespace harnlode
