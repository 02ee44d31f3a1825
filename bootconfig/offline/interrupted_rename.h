// Mends what a rename over the hive that ntfs-3g did not finish leaves: no hive at all, and the
// old one whole under a spare name (interrupted_saves.h). Put back through the same atomic
// replacement as a save, so that it sits above both.
#pragma once

#include <filesystem>
#include <string_view>

namespace harnlode {

// Puts the old hive back under its name when an interrupted rename left the installation's
// `config` folder without `name` (matched without regard to case) and the old file under a spare
// name, so that Windows can start again and this run reads what the save began from. Returns
// whether it did. Throws EInstallationError, saying what to do, when it found such a file but
// cannot put it back: the folder may not be written, Windows may be hibernated, or there are
// several spares to choose from.
bool RestoreAfterInterruptedRename(const std::filesystem::path& installation,
                                   const std::filesystem::path& config, std::string_view name);

}  // namespace harnlode
