#include "offline/interrupted_saves.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

#include "installation_error.h"
#include "offline/atomic_replacement.h"
#include "offline/hibernation.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

constexpr std::string_view kTemporaryInfix = ".harnlode-";
constexpr std::string_view kTemporaryUniquePart = "XXXXXX";  // what mkstemp replaces
constexpr std::string_view kSpareInfix = ".ntfs-3g-";

bool IsOurTemporary(std::string_view entry, std::string_view name) {
  return entry.size() == 1 + name.size() + kTemporaryInfix.size() + kTemporaryUniquePart.size() &&
         entry.front() == '.' && entry.substr(1, name.size()) == name &&
         entry.substr(1 + name.size(), kTemporaryInfix.size()) == kTemporaryInfix;
}

// "NAME.ntfs-3g-<digits>", NAME matched without regard to case.
bool IsSpare(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() + kSpareInfix.size()) return false;
  const std::string_view digits = entry.substr(name.size() + kSpareInfix.size());
  return SameNameIgnoringCase(entry.substr(0, name.size()), name) &&
         entry.substr(name.size(), kSpareInfix.size()) == kSpareInfix &&
         std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

struct RegularFile {
  std::string name;
  struct stat status;
};

// The regular files in the folder open as `folder` whose names `wanted` accepts; names that lead
// nowhere, links and anything else are left out.
template <typename Wanted>
std::vector<RegularFile> RegularFiles(int folder, Wanted wanted) {
  std::vector<RegularFile> names;
  const int listed = ::dup(folder);
  if (listed < 0) return names;
  DIR* entries = ::fdopendir(listed);
  if (entries == nullptr) {
    ::close(listed);
    return names;
  }
  ::rewinddir(entries);  // the copy shares its position with `folder`, which may have been read
  while (const dirent* entry = ::readdir(entries)) {
    struct stat found = {};
    if (wanted(std::string_view(entry->d_name)) &&
        ::fstatat(folder, entry->d_name, &found, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(found.st_mode)) {
      names.push_back({entry->d_name, found});
    }
  }
  ::closedir(entries);
  return names;
}

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

std::string TemporaryFileTemplate(std::string_view name) {
  return "." + std::string(name) + std::string(kTemporaryInfix) + std::string(kTemporaryUniquePart);
}

void RemoveLeftoversOfSaves(int folder, std::string_view name) {
  // A spare is only ever stale beside the file itself. A name that is a second link to the file
  // itself waits until it is not: taking it away would change the file under a save's checks.
  struct stat target = {};
  const bool name_exists =
      ::fstatat(folder, std::string(name).c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(target.st_mode);
  const auto leftover = [name, name_exists](std::string_view entry) {
    return IsOurTemporary(entry, name) || (name_exists && IsSpare(entry, name));
  };
  for (const RegularFile& entry : RegularFiles(folder, leftover)) {
    if (name_exists && entry.status.st_dev == target.st_dev &&
        entry.status.st_ino == target.st_ino) {
      continue;
    }
    ::unlinkat(folder, entry.name.c_str(), 0);  // a failure leaves a file that harms no one
  }
}

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
