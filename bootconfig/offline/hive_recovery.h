// Brings a registry hive up to date from its transaction logs in memory, as Windows does when it
// loads a hive whose last writer did not finish (a "dirty" hive): both log formats, the old one
// with a dirty-page bitmap (Vista to 8.0) and the new one with hashed log entries (8.1 and
// later). A pure function over bytes: no file is read or written here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harnlode {

// The bytes of the logs found beside a hive; an empty span stands for a log that is missing or
// empty.
struct HiveLogs {
  std::span<const std::uint8_t> log;   // NAME.LOG: single-log scheme, or a leftover
  std::span<const std::uint8_t> log1;  // NAME.LOG1
  std::span<const std::uint8_t> log2;  // NAME.LOG2
};

struct HiveRecovery {
  enum class Outcome {
    kClean,        // the primary was clean: the hive is as it was, the logs were not looked at
    kRecovered,    // log data was applied: the hive is what Windows would load
    kUnrecovered,  // dirty, and no log applies to it: the hive is as it was
  };
  // Which log a field speaks of.
  enum class Log { kNone, kLog, kLog1, kLog2 };

  Outcome outcome = Outcome::kClean;
  // With kRecovered: the hive's base block is clean, its sequence numbers both the last applied
  // entry's (old format: the log's), its checksum fresh, its file type primary.

  // The highest sequence number of what applied (with kRecovered, the hive's) and of every
  // new-format entry whose two hashes hold in any log, applied or not, wherever it lies; 0 when
  // there is none. A log that does not apply counts only with such entries, whatever its base
  // block says. A writer that makes the hive clean goes above it, so that no stale entry can
  // ever be taken for a later one.
  std::uint32_t highest_log_sequence = 0;
  // Logged changes that Windows cannot reach either: entries of the kind above that are not in
  // the primary yet, as far as it and their log can tell (numbered at or above both the
  // primary's secondary sequence number, where its base block is sound, and the one that their
  // log's usable base block names), and did not apply (kRecovered: numbered above the hive's
  // sequence number, or, where the primary's base block is sound, below the first entry that
  // applied; a damaged one is replaced by that of the log that applied, begun once the primary
  // held every entry below its first); and the pages that an old-format log holds beyond a
  // damaged bin. Once the hive is written clean, Windows never looks at them again, so such a
  // hive may be read but not written.
  // Which they are, in English, for a message, as in "LOG1 and LOG2 hold 21 entries (2110 to
  // 2130)" or "LOG1 holds 8 pages"; "" for none.
  std::string unapplied;
  // How many entries and pages `unapplied` tells of.
  std::uint64_t unapplied_count = 0;
  // With kRecovered: what was applied. Old-format logs count no entries; their 512-byte pages
  // count as pages. New-format pages are the page references of the applied entries.
  std::uint32_t entries_applied = 0;
  std::uint32_t pages_applied = 0;
  // Bins that failed their check after new-format pages were written into them, and were
  // replaced by empty bins.
  std::uint32_t bins_replaced = 0;
  // The log whose base block replaced the primary's damaged one, or kNone.
  Log base_block_from = Log::kNone;
  // With kUnrecovered: why no log applies, in English, for a message; it names the logs by their
  // endings, for example "no log applies to it: LOG1 and LOG2 are missing or empty". With
  // kRecovered and unapplied changes: why they do not apply, as in "LOG1's entry after entry
  // 2108 is damaged", "no entry 2111 follows entry 2110", "LOG1 is torn at its first entry" or
  // "the hive bin at offset 8192 is damaged"; "" otherwise.
  std::string problem;
};

// Brings `hive` (the primary file's bytes; it may grow) up to date from `logs`. Never throws for
// malformed input: whatever the bytes, the result is one of the outcomes above, and `hive` is
// either left as it was or holds a hive that Windows would load from them.
HiveRecovery RecoverHive(std::vector<std::uint8_t>& hive, const HiveLogs& logs);

}  // namespace harnlode
