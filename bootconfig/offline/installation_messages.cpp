#include "offline/installation_messages.h"

#include <cstring>

#include "installation_error.h"

namespace harnlode {

std::string UnreadableHive(const std::filesystem::path& hive, int error) {
  return "The registry hive " + Quoted(hive) + " cannot be read (" + std::strerror(error) +
         "). Run Harnlode as a user who may read it.";
}

std::string CutShortSave(const std::filesystem::path& hive, const std::string& kept_as) {
  return "There is no registry hive " + Quoted(hive) +
         ": a save into that folder was cut short (by a power failure or a disk taken away), and "
         "the hive as it was before is kept, whole, as " +
         kept_as;
}

}  // namespace harnlode
