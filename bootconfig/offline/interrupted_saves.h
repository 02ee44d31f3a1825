// What saves that never ended leave in a hive's folder, and how a later run clears it away.
//
// Our own save writes the new hive to ".NAME.harnlode-XXXXXX" and renames it over NAME. ntfs-3g
// performs a rename over an existing file in steps: it gives the old file a spare name,
// "NAME.ntfs-3g-<number>", takes NAME away from it, gives NAME to the new file, and removes the
// spare name. A driver that dies in between (a power cut, a disk pulled out) can leave the spare
// name beside the new NAME, or leave no NAME at all, with the old file whole under its spare name.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace harnlode {

// The name our save gives mkstemp for the new content of the file `name`.
std::string TemporaryFileTemplate(std::string_view name);

// Removes our temporary files, and the spare names of `name` when `name` exists, from the folder
// open as `folder`: regular files named exactly so that are not `name` itself under another
// name, and never anything else. Only safe while holding the folder's lock: then none of them is
// still needed.
void RemoveLeftoversOfSaves(int folder, std::string_view name);

// Puts the old hive back under its name when an interrupted rename left the installation's
// `config` folder without `name` (matched without regard to case) and the old file under a spare
// name, so that Windows can start again and this run reads what the save began from. Returns
// whether it did. Throws EInstallationError, saying what to do, when it found such a file but
// cannot put it back: the folder may not be written, Windows may be hibernated, or there are
// several spares to choose from.
bool RestoreAfterInterruptedRename(const std::filesystem::path& installation,
                                   const std::filesystem::path& config, std::string_view name);

}  // namespace harnlode
