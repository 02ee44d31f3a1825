// What a rename over a hive that ntfs-3g did not finish leaves: no hive at all, and the old one
// whole under a spare name (interrupted_saves.h). An analysis reads that spare in the hive's place;
// a tuning run puts it back under the hive's name, through the same atomic replacement as a save.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "offline/hive_folder.h"

namespace harnlode {

struct HiveLocation;

struct SpareOfMissingHive {
  std::string whole;                   // the spare that holds a whole hive; empty when none does
  std::vector<std::string> not_hives;  // spare names beside it that hold no whole hive
};

// The spares of `name`, missing from the folder. Throws EInstallationError, saying what to do,
// when several hold a whole hive: which of them is the hive as it was cannot be told.
SpareOfMissingHive FindSpareOfMissingHive(const HiveFolder& folder, std::string_view name);

// Puts the spare that `location` reads in place of its missing hive back under the hive's name,
// so that Windows can start again, and returns what the user should know of it in English
// sentences. Throws EInstallationError, saying what to do, when it cannot:
// the folder may not be written, Windows may be hibernated, or the spare changed meanwhile.
std::vector<std::string> RestoreAfterInterruptedRename(const HiveLocation& location);

}  // namespace harnlode
