// The parts of hive recovery that hive_recovery.cpp puts together: one unit per log format.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "offline/hive_recovery.h"

namespace harnlode::log_recovery {

// Hive-bins data can be no larger than a cell offset reaches (31 bits), in whole bins.
constexpr std::uint32_t kMaxBinsSize = 0x7FFFF000;

// A new-format log entry that lies whole in its log, its header hash right, wherever it lies.
struct LoggedEntry {
  std::size_t offset;
  std::uint32_t size;
  std::uint32_t sequence;
};

// Every such entry of the log, in the order they lie, found at each 512-byte boundary from
// offset 512 on: leftovers too, and whatever its base block says. A log of the old format may
// hold none.
std::vector<LoggedEntry> FindEntries(std::span<const std::uint8_t> log);

// Whether the hash of the rest of the entry holds too: only then is it logged data. Asked only
// of the entries that matter, since it reads the whole entry.
bool BodyHashHolds(std::span<const std::uint8_t> log, const LoggedEntry& entry);

struct NamedLog {
  std::span<const std::uint8_t> bytes;
  HiveRecovery::Log name;
  std::span<const LoggedEntry> entries;  // FindEntries(bytes)
};

// "LOG1", "LOG2" or "LOG".
const char* Name(HiveRecovery::Log log);

// Why one log does not apply, as in "LOG1 is torn at its first entry".
struct Refusal {
  HiveRecovery::Log log;
  std::string reason;  // follows "is" / "are"
};

// What recovery knows of the primary before it changes anything.
struct Primary {
  std::vector<std::uint8_t>& hive;
  bool base_block_sound;  // whole, signature and checksum right
};

// The log's first 512 bytes: a copy of a base block with signature, right checksum and equal
// sequence numbers.
bool UsableBaseBlock(std::span<const std::uint8_t> log);

// Each applies `logs` (usable, of its format) to the primary and returns true, with `result`
// filled in and its `problem` saying where what applies ends, for a message such as "LOG1's entry
// after entry 2108 is damaged"; or returns false, leaves the hive as it was and adds why to
// `refusals`.
bool ApplyNewFormat(Primary primary, std::span<const NamedLog> logs, HiveRecovery& result,
                    std::vector<Refusal>& refusals);
bool ApplyOldFormat(Primary primary, std::span<const NamedLog> logs, HiveRecovery& result,
                    std::vector<Refusal>& refusals);

// Grows or shrinks the hive to 4096 + `bins_size` bytes, having made room for it first so that a
// failure leaves it as it was; false when memory is short.
bool ReserveHive(std::vector<std::uint8_t>& hive, std::uint64_t bins_size);

// Sets the recovered base block's sequence numbers, bins size, type and checksum.
void FinishBaseBlock(std::vector<std::uint8_t>& hive, std::uint32_t sequence,
                     std::uint32_t bins_size);

}  // namespace harnlode::log_recovery
