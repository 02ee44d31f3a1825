#include "recovery_properties.h"

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "offline/base_block.h"
#include "offline/hive_recovery.h"
#include "offline/marvin32.h"

namespace harnlode {
namespace {

constexpr std::size_t kLengths = 12;

// Opens the image with hivex from memory and reads a bounded part of it; hivex must open it or
// refuse it, and read what it opened or report an error, without a fault (which ends the run).
void WalkInHivex(const std::vector<std::uint8_t>& image) {
  const int fd = ::memfd_create("recovered-hive", 0);
  if (fd < 0) std::abort();
  for (std::size_t written = 0; written < image.size();) {
    const ssize_t n = ::write(fd, image.data() + written, image.size() - written);
    if (n <= 0) std::abort();
    written += static_cast<std::size_t>(n);
  }
  hive_h* hive = hivex_open(("/proc/self/fd/" + std::to_string(fd)).c_str(), 0);
  ::close(fd);
  if (hive == nullptr) return;
  std::vector<hive_node_h> pending{hivex_root(hive)};
  for (int visited = 0; !pending.empty() && visited < 2000; ++visited) {
    const hive_node_h node = pending.back();
    pending.pop_back();
    if (hive_value_h* values = hivex_node_values(hive, node)) {
      for (hive_value_h* value = values; *value != 0; ++value) {
        hive_type type;
        std::size_t length;
        if (char* data = hivex_value_value(hive, *value, &type, &length)) std::free(data);
      }
      std::free(values);
    }
    if (hive_node_h* children = hivex_node_children(hive, node)) {
      for (hive_node_h* child = children; *child != 0; ++child) pending.push_back(*child);
      std::free(children);
    }
  }
  hivex_close(hive);
}

// An entry whose hashes hold, found at a 512-byte boundary from 512 on; read here by the
// format's rules alone, apart from the recovery's own reading.
struct ValidEntry {
  std::span<const std::uint8_t> log;
  std::uint32_t sequence;
};

std::vector<ValidEntry> ValidEntries(const RecoveryInput& split) {
  std::vector<ValidEntry> found;
  for (const std::span<const std::uint8_t> log : {split.log1, split.log2, split.log}) {
    for (std::size_t at = 512; at + 512 <= log.size(); at += 512) {
      const std::span<const std::uint8_t> entry = log.subspan(at);
      const std::uint32_t size = base_block::Read32(entry, 4);
      if (std::memcmp(entry.data(), "HvLE", 4) != 0 || size < 512 || size % 512 != 0 ||
          size > entry.size() ||
          Marvin32(entry.first(32), kRegistryLogSeed) != base_block::Read64(entry, 32) ||
          Marvin32(entry.subspan(40, size - 40), kRegistryLogSeed) !=
              base_block::Read64(entry, 24)) {
        continue;
      }
      found.push_back({log, base_block::Read32(entry, 12)});
    }
  }
  return found;
}

// A recovered hive may be written clean only when every valid entry either applied, or is in
// the primary already by its log's account (below the number that the log's usable base block
// names, or below the primary's secondary sequence number), or is no higher than what applied.
bool LeftOut(const ValidEntry& entry, std::span<const std::uint8_t> primary,
             const std::vector<std::uint8_t>& hive, const HiveRecovery& recovery) {
  const std::uint32_t last = base_block::PrimarySequence(hive);
  if (entry.sequence > last) return true;
  const std::uint64_t first =
      std::uint64_t{last} + 1 - std::max<std::uint32_t>(recovery.entries_applied, 1);
  if (entry.sequence >= first) return false;
  const bool sound = primary.size() >= base_block::kSize && base_block::HasSignature(primary) &&
                     base_block::ChecksumValid(primary);
  if (sound && entry.sequence < base_block::SecondarySequence(primary)) return false;
  // A damaged base block was replaced by that of the log that applied, begun once the primary
  // held every entry below its first.
  if (!sound) return false;
  return !base_block::Clean(entry.log) || entry.sequence >= base_block::PrimarySequence(entry.log);
}

}  // namespace

RecoveryInput RecoveryInput::Split(std::span<const std::uint8_t> input) {
  RecoveryInput split;
  if (input.size() < kLengths) return split;
  std::span<const std::uint8_t> rest = input.subspan(kLengths);
  const auto take = [&](std::size_t at) {
    const std::size_t length = std::min<std::size_t>(base_block::Read32(input, at), rest.size());
    const std::span<const std::uint8_t> part = rest.first(length);
    rest = rest.subspan(length);
    return part;
  };
  split.primary = take(0);
  split.log1 = take(4);
  split.log2 = take(8);
  split.log = rest;
  return split;
}

std::vector<std::uint8_t> RecoveryInput::Join(std::span<const std::uint8_t> primary,
                                              std::span<const std::uint8_t> log1,
                                              std::span<const std::uint8_t> log2,
                                              std::span<const std::uint8_t> log) {
  std::vector<std::uint8_t> input(kLengths);
  base_block::Write32(input, 0, static_cast<std::uint32_t>(primary.size()));
  base_block::Write32(input, 4, static_cast<std::uint32_t>(log1.size()));
  base_block::Write32(input, 8, static_cast<std::uint32_t>(log2.size()));
  for (const auto part : {primary, log1, log2, log})
    input.insert(input.end(), part.begin(), part.end());
  return input;
}

std::string CheckRecoveryProperties(std::span<const std::uint8_t> input) {
  const RecoveryInput split = RecoveryInput::Split(input);
  const std::vector<std::uint8_t> primary(split.primary.begin(), split.primary.end());
  std::vector<std::uint8_t> hive = primary;
  const HiveRecovery recovery = RecoverHive(hive, {split.log, split.log1, split.log2});
  const std::vector<ValidEntry> valid = ValidEntries(split);
  for (const ValidEntry& entry : valid) {
    if (recovery.outcome != HiveRecovery::Outcome::kClean &&
        entry.sequence > recovery.highest_log_sequence) {
      return "an entry with right hashes is above the highest log sequence";
    }
  }
  if (recovery.outcome != HiveRecovery::Outcome::kRecovered) {
    if (hive != primary) return "a hive that was not recovered changed";
    if (recovery.outcome == HiveRecovery::Outcome::kUnrecovered && recovery.problem.empty()) {
      return "an unrecovered hive has no problem text";
    }
    return "";
  }
  if (hive.size() < base_block::kSize || !base_block::Clean(hive) ||
      base_block::Type(hive) != static_cast<std::uint32_t>(base_block::FileType::kPrimary)) {
    return "a recovered hive's base block is not clean";
  }
  if (hive.size() != base_block::kSize + base_block::BinsSize(hive)) {
    return "a recovered hive's size is not 4096 plus its bins size";
  }
  if (base_block::PrimarySequence(hive) > recovery.highest_log_sequence) {
    return "a recovered hive's sequence number is above the highest log sequence";
  }
  // Written clean, the hive would hide them from Windows for good.
  for (const ValidEntry& entry : valid) {
    if (recovery.unapplied.empty() && LeftOut(entry, split.primary, hive, recovery)) {
      return "a recovered hive may be written clean while an entry with right hashes that did not "
             "apply stays in its log";
    }
  }
  if (!recovery.unapplied.empty() && recovery.problem.empty()) {
    return "a recovered hive with unapplied entries does not say where what applies ends";
  }
  std::vector<std::uint8_t> again = hive;
  if (RecoverHive(again, {split.log, split.log1, split.log2}).outcome !=
      HiveRecovery::Outcome::kClean) {
    return "a recovered hive is not clean to a second recovery";
  }
  WalkInHivex(hive);
  return "";
}

}  // namespace harnlode
