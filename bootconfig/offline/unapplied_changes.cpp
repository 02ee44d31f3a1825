#include "offline/unapplied_changes.h"

#include "installation_error.h"
#include "offline/installation_messages.h"

namespace harnlode {
namespace {

// "LOG2 holds 19 entries (2112 to 2130) that do not apply, since no entry 2111 follows entry
// 2110", or for a hive that no log applies to, "..., and no log applies to it: ...".
std::string WhatAndWhy(const HiveRecovery& recovery) {
  if (recovery.outcome == HiveRecovery::Outcome::kUnrecovered) {
    return recovery.unapplied + ", and " + recovery.problem;
  }
  return recovery.unapplied + " that do not apply, since " + recovery.problem;
}

}  // namespace

std::string UnappliedChangesNote(const std::filesystem::path& hive, const HiveRecovery& recovery) {
  if (recovery.unapplied.empty()) return "";
  const bool recovered = recovery.outcome == HiveRecovery::Outcome::kRecovered;
  return "Logged changes could not be applied to the registry hive " + Quoted(hive) + ": " +
         WhatAndWhy(recovery) +
         (recovered ? ". Windows does not apply them either: this report shows the hive as "
                      "Windows loads it, without those changes"
                    : ". This report shows the hive as it is, without those changes") +
         ", and Tune does not change it.";
}

std::string UnappliedChangesRefusal(const std::filesystem::path& hive,
                                    const HiveRecovery& recovery) {
  return "The transaction logs of the registry hive " + Quoted(hive) +
         " hold changes that cannot be applied: " + WhatAndWhy(recovery) +
         ". Harnlode does not change the hive: once it is written, Windows ignores the logs, and "
         "those changes are lost for good. If this folder is a copy, copy the hive and its logs "
         "again from the original disk. Otherwise keep a copy of the folder " +
         Quoted(hive.parent_path()) +
         " if those changes matter, then start that Windows once and " +
         std::string(kShutDownFully) +
         ": it applies its logs as far as they allow, as "
         "Harnlode's analysis shows, and writes the hive itself. Then run Tune again.";
}

std::string SequenceWrapRefusal(const std::filesystem::path& hive) {
  return "The registry hive " + Quoted(hive) +
         " cannot be written with a sequence number above every number of it and its "
         "transaction logs: the highest is 4294967295, the largest there is, and the next would "
         "wrap around to 0, so that Windows could take a stale log entry for a newer change. "
         "Harnlode does not change the hive. Windows' own use does not reach such numbers, so the "
         "hive or a log is probably damaged: check the disk, or restore the hive and its logs from "
         "a backup.";
}

}  // namespace harnlode
