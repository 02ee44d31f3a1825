// What a run says about a hive whose transaction logs hold changes that cannot be applied, and
// about one whose next sequence number would wrap around: a note beside the report of a run
// that read it, and the refusal to write it, which says why and what to do.
#pragma once

#include <filesystem>
#include <string>

#include "offline/hive_recovery.h"

namespace harnlode {

// That the run read `hive` without the changes that `recovery` could not apply; "" when it
// applied them all.
std::string UnappliedChangesNote(const std::filesystem::path& hive, const HiveRecovery& recovery);

// Why `hive`, recovered with unapplied entries, is not written.
std::string UnappliedChangesRefusal(const std::filesystem::path& hive,
                                    const HiveRecovery& recovery);

// Why `hive` is not written when the highest sequence number of it and its logs is the largest
// there is: hivex's commit, which goes one past it, would number the hive 0.
std::string SequenceWrapRefusal(const std::filesystem::path& hive);

}  // namespace harnlode
