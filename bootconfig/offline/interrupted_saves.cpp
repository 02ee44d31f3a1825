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

}  // namespace

bool IsSpare(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() + kSpareInfix.size()) return false;
  const std::string_view digits = entry.substr(name.size() + kSpareInfix.size());
  return SameNameIgnoringCase(entry.substr(0, name.size()), name) &&
         entry.substr(name.size(), kSpareInfix.size()) == kSpareInfix &&
         std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::vector<RegularFile> RegularFiles(int folder,
                                      const std::function<bool(std::string_view)>& wanted) {
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

}  // namespace harnlode
