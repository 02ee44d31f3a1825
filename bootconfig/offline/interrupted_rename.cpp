#include "offline/interrupted_rename.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "installation_error.h"
#include "offline/atomic_replacement.h"
#include "offline/hibernation.h"
#include "offline/interrupted_saves.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

[[noreturn]] void CannotRestore(const std::filesystem::path& config, std::string_view name,
                                const std::vector<RegularFile>& spares, const std::string& why) {
  std::string kept;
  for (const RegularFile& spare : spares) {
    kept += (kept.empty() ? "" : " and ") + Quoted(config / spare.name);
  }
  throw EInstallationError(
      "There is no registry hive " + Quoted(config / name) +
      ": a save into that folder was cut short (by a power failure or a disk taken away), and the "
      "hive as it was before is kept, whole, as " +
      kept + ". " + why);
}

}  // namespace

bool RestoreAfterInterruptedRename(const std::filesystem::path& installation,
                                   const std::filesystem::path& config, std::string_view name) {
  // Looked at under the folder's lock: a save of another copy may end meanwhile.
  AtomicReplacement replacement(config / name);
  const int folder = replacement.Folder();
  if (folder < 0) return false;
  const auto same_name = [name](std::string_view entry) {
    return SameNameIgnoringCase(entry, name);
  };
  if (!RegularFiles(folder, same_name).empty()) return true;
  const std::vector<RegularFile> spares =
      RegularFiles(folder, [name](std::string_view entry) { return IsSpare(entry, name); });
  if (spares.empty()) return false;
  if (spares.size() > 1) {
    CannotRestore(config, name, spares,
                  "Harnlode cannot tell which of them to put back. Rename the newest of them to " +
                      std::string(name) + ", then run again.");
  }
  // Windows would resume with its own picture of the folder and could damage the volume.
  if (InstallationHibernation(installation).state != HibernationState::kNotHibernated) {
    CannotRestore(config, name, spares,
                  "Harnlode does not put it back, because Windows on that volume may be "
                  "hibernated. Rename it to " +
                      std::string(name) + " once that is settled, then run again.");
  }
  // Copied, not renamed: the driver died while changing that file's record, which ntfs-3g may
  // then mishandle (a later rename over it was seen to lose it). The copy's save clears the spare
  // away.
  const std::filesystem::path spare = config / spares.front().name;
  try {
    replacement.Replace(
        [&](const std::filesystem::path& copy) {
          std::error_code error;
          std::filesystem::copy_file(spare, copy, std::filesystem::copy_options::overwrite_existing,
                                     error);
          errno = error.value();
          return !error;
        },
        spares.front().status);
  } catch (const EInstallationError& failure) {
    CannotRestore(config, name, spares,
                  "Harnlode could not put it back: " + std::string(failure.what()) +
                      " Mount the volume for writing and run again, or copy the file to " +
                      std::string(name) + " yourself.");
  }
  return true;
}

}  // namespace harnlode
