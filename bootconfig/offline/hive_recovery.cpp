#include "offline/hive_recovery.h"

#include <algorithm>
#include <new>

#include "offline/base_block.h"
#include "offline/log_recovery.h"

namespace harnlode {
namespace log_recovery {

bool UsableBaseBlock(std::span<const std::uint8_t> log) { return base_block::Clean(log); }

const char* Name(HiveRecovery::Log log) {
  switch (log) {
    case HiveRecovery::Log::kLog:
      return "LOG";
    case HiveRecovery::Log::kLog1:
      return "LOG1";
    case HiveRecovery::Log::kLog2:
      return "LOG2";
    case HiveRecovery::Log::kNone:
      break;
  }
  return "";
}

bool ReserveHive(std::vector<std::uint8_t>& hive, std::uint64_t bins_size) {
  try {
    hive.reserve(base_block::kSize + bins_size);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void FinishBaseBlock(std::vector<std::uint8_t>& hive, std::uint32_t sequence,
                     std::uint32_t bins_size) {
  const std::span<std::uint8_t> block(hive.data(), base_block::kSize);
  base_block::SetSequences(block, sequence, sequence);
  base_block::SetBinsSize(block, bins_size);
  base_block::SetType(block, base_block::FileType::kPrimary);
  base_block::UpdateChecksum(block);
}

}  // namespace log_recovery

namespace {

using log_recovery::LoggedEntry;
using log_recovery::Name;
using log_recovery::NamedLog;
using log_recovery::Refusal;

// "LOG1 and LOG2", or "LOG1, LOG2 and LOG".
std::string Names(const std::vector<std::string>& names) {
  std::string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += i + 1 == names.size() ? " and " : ", ";
    joined += names[i];
  }
  return joined;
}

// "no log applies to it: LOG1 and LOG2 are missing or empty", logs with the same reason together.
std::string Problem(const std::vector<Refusal>& refusals) {
  std::vector<std::pair<std::string, std::vector<std::string>>> grouped;
  for (const Refusal& refusal : refusals) {
    auto same = std::find_if(grouped.begin(), grouped.end(),
                             [&](const auto& group) { return group.first == refusal.reason; });
    if (same == grouped.end()) same = grouped.insert(grouped.end(), {refusal.reason, {}});
    same->second.push_back(Name(refusal.log));
  }
  std::string problem = "no log applies to it";
  const char* separator = ": ";
  for (const auto& [reason, names] : grouped) {
    problem += separator;
    separator = "; ";
    problem += Names(names);
    problem += names.size() > 1 ? " are " : " is ";
    problem += reason;
  }
  return problem;
}

// The entries of `logs` numbered at or above `from(log)` whose two hashes hold: the highest of
// their numbers goes into `highest`, and which they are into the result, as in "LOG1 and LOG2
// hold 21 entries (2110 to 2130)"; "" for none.
template <typename From>
std::string ValidEntries(std::span<const NamedLog> logs, From from, std::uint32_t& highest) {
  std::vector<std::string> holders;
  std::uint32_t lowest = UINT32_MAX;
  std::uint32_t top = 0;
  std::uint32_t count = 0;
  for (const NamedLog& log : logs) {
    bool holds = false;
    for (const LoggedEntry& entry : log.entries) {
      if (entry.sequence < from(log) || !log_recovery::BodyHashHolds(log.bytes, entry)) continue;
      holds = true;
      ++count;
      lowest = std::min(lowest, entry.sequence);
      top = std::max(top, entry.sequence);
    }
    if (holds) holders.push_back(Name(log.name));
  }
  if (count == 0) return "";
  highest = std::max(highest, top);
  std::string text = Names(holders) + (holders.size() > 1 ? " hold " : " holds ");
  if (count == 1) return text + "entry " + std::to_string(lowest);
  return text + std::to_string(count) + " entries (" + std::to_string(lowest) + " to " +
         std::to_string(top) + ")";
}

}  // namespace

HiveRecovery RecoverHive(std::vector<std::uint8_t>& hive, const HiveLogs& logs) {
  HiveRecovery result;
  const std::span<const std::uint8_t> bytes(hive);
  const bool sound = bytes.size() >= base_block::kSize && base_block::HasSignature(bytes) &&
                     base_block::ChecksumValid(bytes);
  if (sound && base_block::PrimarySequence(bytes) == base_block::SecondarySequence(bytes)) {
    return result;
  }

  // Every log's entries count, whether or not the log applies; those below the hive's number
  // once it is recovered do not matter, so their whole bytes are never hashed.
  const std::vector<LoggedEntry> entries[] = {log_recovery::FindEntries(logs.log1),
                                              log_recovery::FindEntries(logs.log2),
                                              log_recovery::FindEntries(logs.log)};
  const NamedLog all[] = {{logs.log1, HiveRecovery::Log::kLog1, entries[0]},
                          {logs.log2, HiveRecovery::Log::kLog2, entries[1]},
                          {logs.log, HiveRecovery::Log::kLog, entries[2]}};
  std::vector<NamedLog> new_format;
  std::vector<NamedLog> old_format;
  std::vector<Refusal> refusals;
  for (const NamedLog& log : all) {
    const bool single = log.name == HiveRecovery::Log::kLog;
    if (log.bytes.empty()) {
      // A missing LOG is the rule since dual logging; it is worth no mention.
      if (!single) refusals.push_back({log.name, "missing or empty"});
    } else if (!log_recovery::UsableBaseBlock(log.bytes)) {
      refusals.push_back({log.name, "damaged at its start"});
    } else if (base_block::Type(log.bytes) == 6 && !single) {
      new_format.push_back(log);
    } else if (base_block::Type(log.bytes) == 1) {
      old_format.push_back(log);
    } else {
      refusals.push_back({log.name, "not a log of a format that Windows writes beside it"});
    }
  }

  const log_recovery::Primary primary{hive, sound};
  if ((!new_format.empty() &&
       log_recovery::ApplyNewFormat(primary, new_format, result, refusals)) ||
      (!old_format.empty() &&
       log_recovery::ApplyOldFormat(primary, old_format, result, refusals))) {
    result.outcome = HiveRecovery::Outcome::kRecovered;
    const std::uint32_t sequence = base_block::PrimarySequence(hive);
    result.highest_log_sequence = sequence;
    // Old-format pages left out come first.
    const std::string entries = ValidEntries(
        all, [&](const NamedLog&) { return std::uint64_t{sequence} + 1; },
        result.highest_log_sequence);
    if (!entries.empty()) {
      result.unapplied += (result.unapplied.empty() ? "" : ", and ") + entries;
    }
    if (result.unapplied.empty()) result.problem.clear();
    return result;
  }
  result.outcome = HiveRecovery::Outcome::kUnrecovered;
  // Entries below the primary's secondary sequence number are in it already, and so, as far as
  // a log can tell, are those below the number that its base block names.
  const std::uint32_t secondary = sound ? base_block::SecondarySequence(hive) : 0;
  // Such a hive is never written; the highest number is every valid entry's all the same.
  ValidEntries(
      all, [](const NamedLog&) { return std::uint64_t{0}; }, result.highest_log_sequence);
  result.unapplied = ValidEntries(
      all,
      [&](const NamedLog& log) {
        return log_recovery::UsableBaseBlock(log.bytes)
                   ? std::max(secondary, base_block::PrimarySequence(log.bytes))
                   : secondary;
      },
      result.highest_log_sequence);
  // LOG1, LOG2, then LOG.
  const auto rank = [](const Refusal& refusal) {
    return refusal.log == HiveRecovery::Log::kLog ? 3 : static_cast<int>(refusal.log);
  };
  std::stable_sort(refusals.begin(), refusals.end(),
                   [&](const Refusal& a, const Refusal& b) { return rank(a) < rank(b); });
  result.problem = Problem(refusals);
  return result;
}

}  // namespace harnlode
