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
  // Throws EInstallationError when a log that is there cannot be read.
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

 private:
  HiveRecovery recovery_;
  int image_ = -1;
  std::uint32_t highest_ = 0;
  std::vector<std::pair<std::filesystem::path, FileSnapshot>> logs_;
};

}  // namespace harnlode
