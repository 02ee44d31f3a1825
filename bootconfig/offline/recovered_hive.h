// A hive whose last writer did not finish (a "dirty" one), brought up to date in memory from the
// transaction logs beside it, as Windows would load it. Neither the hive nor a log is changed, and
// nothing is written to disk: the recovered hive lies in an anonymous memory file that hivex
// opens by name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "offline/file_snapshot.h"
#include "offline/hive_location.h"
#include "offline/hive_recovery.h"

namespace harnlode {

class RecoveredHive {
 public:
  // Reads the primary file (open as `primary`, `size` bytes long) and its logs and recovers it.
  // Throws EInstallationError when a log that is there cannot be read; a log that is no regular
  // file is left out (see SkippedLogs).
  RecoveredHive(int primary, std::size_t size, const std::filesystem::path& hive,
                const HiveLogPaths& logs);
  ~RecoveredHive();
  RecoveredHive(const RecoveredHive&) = delete;
  RecoveredHive& operator=(const RecoveredHive&) = delete;

  const HiveRecovery& Recovery() const { return recovery_; }
  bool Recovered() const { return recovery_.outcome == HiveRecovery::Outcome::kRecovered; }

  // With Recovered(): the name under which hivex opens the recovered hive, until Release(). Its
  // base block is set so that hivex's commit, which moves both sequence numbers one past the
  // primary one, writes a clean hive above every sequence number of the logs.
  std::string ImagePath() const;
  // With Recovered(): the number that hivex's commit goes one past, the highest of the recovered
  // hive and its logs.
  std::uint32_t HighestSequence() const { return highest_; }
  // Frees the recovered hive once hivex holds a copy of its own, read for writing.
  void Release();

  // True when every log is as it was read, and none has appeared since.
  bool LogsUnchanged() const;
  // The logs left out since they are no regular files of the hive's folder (named pipes, links,
  // folders...), as an English phrase: '"…/SYSTEM.LOG2" is a named pipe, not a regular file of
  // the hive's folder'; "" when none was.
  const std::string& SkippedLogs() const { return skipped_logs_; }

 private:
  HiveRecovery recovery_;
  int folder_ = -1;  // the hive's, held open by its location
  int image_ = -1;
  std::uint32_t highest_ = 0;
  std::vector<std::pair<std::string, FileSnapshot>> logs_;  // by name in the folder
  std::string skipped_logs_;
};

}  // namespace harnlode
