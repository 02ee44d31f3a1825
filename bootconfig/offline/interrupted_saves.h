// What saves that never ended leave in a hive's folder, and how a later run clears it away.
//
// Our own save writes the new hive to ".NAME.harnlode-XXXXXX" and renames it over NAME. ntfs-3g
// performs a rename over an existing file in steps: it gives the old file a spare name,
// "NAME.ntfs-3g-<number>", takes NAME away from it, gives NAME to the new file, and removes the
// spare name. A driver that dies in between (a power cut, a disk pulled out) can leave the spare
// name beside the new NAME, or leave no NAME at all, with the old file whole under its spare name
// (interrupted_rename.h puts it back).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harnlode {

// The name our save gives mkstemp for the new content of the file `name`.
std::string TemporaryFileTemplate(std::string_view name);

// The highest sequence number of the hive in the file open as `file` when it is a whole hive:
// signature and checksum right, and as long as its header says. Nothing for anything else.
std::optional<std::uint32_t> WholeHiveSequence(int file);

// Removes from the folder open as `folder` what is provably left over: our temporary files, and,
// when `name` is a whole hive, its spare names that hold a whole hive no newer than it; never a
// file that is `name` itself under another name, nor anything else. Returns the spare names that
// it left alone. Only safe while holding the folder's lock: then no temporary is still needed.
std::vector<std::string> RemoveLeftoversOfSaves(int folder, std::string_view name);

// Whether `entry` is a spare name that ntfs-3g gives `name`: "NAME.ntfs-3g-<digits>", NAME
// matched without regard to case.
bool IsSpare(std::string_view entry, std::string_view name);

struct RegularFile {
  std::string name;
  struct stat status;
};

// The regular files in the folder open as `folder` whose names `wanted` accepts; names that lead
// nowhere, links and anything else are left out.
std::vector<RegularFile> RegularFiles(int folder,
                                      const std::function<bool(std::string_view)>& wanted);

}  // namespace harnlode
