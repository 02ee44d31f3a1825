#include "recovery_properties.h"

#include <hivex.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

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

// The highest sequence number of an entry whose hashes hold in any of the logs, at any 512-byte
// boundary from 512 on; nullopt for none. Read here by the format's rules alone, apart from the
// recovery's own reading.
std::optional<std::uint32_t> HighestValidEntry(const RecoveryInput& split) {
  std::optional<std::uint32_t> highest;
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
      highest = std::max(highest.value_or(0), base_block::Read32(entry, 12));
    }
  }
  return highest;
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
  const std::optional<std::uint32_t> highest_entry = HighestValidEntry(split);
  if (recovery.outcome != HiveRecovery::Outcome::kClean && highest_entry &&
      *highest_entry > recovery.highest_log_sequence) {
    return "an entry with right hashes is above the highest log sequence";
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
  if (recovery.unapplied.empty() && highest_entry &&
      *highest_entry > base_block::PrimarySequence(hive)) {
    return "a recovered hive may be written clean while an entry with right hashes above it stays "
           "unapplied";
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
