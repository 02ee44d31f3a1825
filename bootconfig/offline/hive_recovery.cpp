#include "offline/hive_recovery.h"

#include <algorithm>
#include <new>

#include "offline/base_block.h"
#include "offline/log_recovery.h"

namespace harnlode {
namespace log_recovery {

bool UsableBaseBlock(std::span<const std::uint8_t> log) { return base_block::Clean(log); }

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

using log_recovery::NamedLog;
using log_recovery::Refusal;

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
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i > 0) problem += i + 1 == names.size() ? " and " : ", ";
      problem += names[i];
    }
    problem += names.size() > 1 ? " are " : " is ";
    problem += reason;
  }
  return problem;
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

  const NamedLog all[] = {{logs.log1, HiveRecovery::Log::kLog1},
                          {logs.log2, HiveRecovery::Log::kLog2},
                          {logs.log, HiveRecovery::Log::kLog}};
  std::vector<NamedLog> new_format;
  std::vector<NamedLog> old_format;
  std::vector<Refusal> refusals;
  for (const NamedLog& log : all) {
    result.highest_log_sequence =
        std::max(result.highest_log_sequence, log_recovery::HighestSequence(log.bytes));
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
    return result;
  }
  result.outcome = HiveRecovery::Outcome::kUnrecovered;
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
