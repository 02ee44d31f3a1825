// Why the store refused to write an installation's hive, in words a user can act on. The store
// refuses the rights to write when the hive or its folder may not be written, or, in a run that
// means to change the registry, when Windows is hibernated; the failure that the run then ends
// with names a value, not the cause, so the front ends add this explanation to it.
#pragma once

#include <filesystem>
#include <string>

namespace harnlode {

struct WriteRefusal {
  std::filesystem::path hive;  // the hive file that was refused
  bool changes_meant = false;  // the run meant to change the registry
};

// The causes found on this machine now, one sentence group per line, each saying what to do:
// the volume is mounted read-only (from which device, by which driver), the user may not write
// the hive or its folder, or Windows is hibernated (or may be). Empty when none is found.
std::string ExplainWriteRefusal(const std::filesystem::path& installation,
                                const WriteRefusal& refusal);

}  // namespace harnlode
