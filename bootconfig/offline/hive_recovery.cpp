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

// The number from which a log's entries are not yet in the primary, as far as it and the log can
// tell: its secondary sequence number (0 when its base block is damaged), and the one that the
// log's base block, when usable, names as its start.
std::uint64_t NotInPrimaryFrom(const NamedLog& log, std::uint32_t secondary) {
  return log_recovery::UsableBaseBlock(log.bytes)
             ? std::max(secondary, base_block::PrimarySequence(log.bytes))
             : secondary;
}

// The entries of some logs whose two hashes hold.
struct ValidEntries {
  std::uint32_t count = 0;
  std::uint32_t lowest = UINT32_MAX;
  std::uint32_t highest = 0;
  std::vector<HiveRecovery::Log> holders;

  // As in "LOG1 and LOG2 hold 21 entries (2110 to 2130)"; "" for none.
  std::string Text() const {
    if (count == 0) return "";
    std::vector<std::string> names;
    for (const HiveRecovery::Log log : holders) names.push_back(Name(log));
    std::string text = Names(names) + (names.size() > 1 ? " hold " : " holds ");
    if (count == 1) return text + "entry " + std::to_string(lowest);
    return text + std::to_string(count) + " entries (" + std::to_string(lowest) + " to " +
           std::to_string(highest) + ")";
  }
};

// Those entries of `logs` that `counts(log, sequence)` picks; only theirs are hashed whole.
template <typename Counts>
ValidEntries FindValid(std::span<const NamedLog> logs, Counts counts) {
  ValidEntries found;
  for (const NamedLog& log : logs) {
    bool holds = false;
    for (const LoggedEntry& entry : log.entries) {
      if (!counts(log, entry.sequence) || !log_recovery::BodyHashHolds(log.bytes, entry)) continue;
      holds = true;
      ++found.count;
      found.lowest = std::min(found.lowest, entry.sequence);
      found.highest = std::max(found.highest, entry.sequence);
    }
    if (holds) found.holders.push_back(log.name);
  }
  return found;
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
  // Entries below the primary's secondary sequence number are in it already.
  const std::uint32_t secondary = sound ? base_block::SecondarySequence(bytes) : 0;

  // Every log's entries count, whether or not the log applies.
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
    // What applied: one number (old format) or a run of them, up to the hive's own. Entries
    // above it were never reached; those below it that are not in the primary yet, by their log's
    // account, were passed over, their log refused. Either way Windows does not apply them. A
    // damaged base block was replaced by that of the log that applied, which was begun once the
    // primary held every entry below its first: older entries of the other log are in it.
    const std::uint32_t last = base_block::PrimarySequence(hive);
    const std::uint64_t first =
        std::uint64_t{last} + 1 - std::max<std::uint32_t>(result.entries_applied, 1);
    const ValidEntries left_out = FindValid(all, [&](const NamedLog& log, std::uint32_t sequence) {
      return sequence > last ||
             (sound && sequence < first && sequence >= NotInPrimaryFrom(log, secondary));
    });
    result.highest_log_sequence = std::max(last, left_out.highest);
    if (left_out.count > 0) {
      // Old-format pages left out come first.
      result.unapplied += (result.unapplied.empty() ? "" : ", and ") + left_out.Text();
      result.unapplied_count += left_out.count;
    }
    if (result.unapplied.empty()) {
      result.problem.clear();
      return result;
    }
    // Why: where what applies ends, and what kept each log that holds them out.
    std::vector<std::string> reasons;
    if (left_out.count == 0 || left_out.highest > last) reasons.push_back(result.problem);
    for (const HiveRecovery::Log log : left_out.holders) {
      for (const Refusal& refusal : refusals) {
        if (refusal.log == log) reasons.push_back(std::string(Name(log)) + " is " + refusal.reason);
      }
    }
    result.problem.clear();
    for (const std::string& reason : reasons) {
      result.problem += (result.problem.empty() ? "" : ", and ") + reason;
    }
    return result;
  }
  result.outcome = HiveRecovery::Outcome::kUnrecovered;
  // Such a hive is never written; the highest number is every valid entry's all the same.
  result.highest_log_sequence =
      FindValid(all, [](const NamedLog&, std::uint32_t) { return true; }).highest;
  const ValidEntries not_in_primary =
      FindValid(all, [&](const NamedLog& log, std::uint32_t sequence) {
        return sequence >= NotInPrimaryFrom(log, secondary);
      });
  result.unapplied = not_in_primary.Text();
  result.unapplied_count = not_in_primary.count;
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
