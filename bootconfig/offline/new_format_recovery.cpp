// New-format logs (Windows 8.1 and later): from offset 512, entries that each carry a sequence
// number, the hive-bins data size after them and the pages they wrote, vouched for by two
// Marvin32 hashes.
#include <algorithm>
#include <cstring>

#include "offline/base_block.h"
#include "offline/hive_bin.h"
#include "offline/log_recovery.h"
#include "offline/marvin32.h"

namespace harnlode::log_recovery {
namespace {

constexpr std::size_t kAlignment = 512;  // entries start at multiples of it, and are multiples
constexpr std::size_t kFlags = 8;
constexpr std::size_t kSequence = 12;
constexpr std::size_t kBinsSize = 16;
constexpr std::size_t kPageCount = 20;
constexpr std::size_t kBodyHash = 24;    // of bytes 40 to the entry's end
constexpr std::size_t kHeaderHash = 32;  // of bytes 0 to 31, which hold the body hash
constexpr std::size_t kReferences = 40;  // (offset, size) pairs, then the pages back to back

struct Entry {
  std::size_t offset;  // in the log
  std::uint32_t size;
  std::uint32_t flags;
  std::uint32_t sequence;
  std::uint32_t bins_size;
  std::uint32_t pages;
};

enum class EntryCheck { kGood, kNoEntry, kCutShort, kBadSize, kBadHash, kBadBinsSize, kBadPages };

bool HeaderHashHolds(std::span<const std::uint8_t> at) {
  return at.size() >= kReferences && std::memcmp(at.data(), "HvLE", 4) == 0 &&
         Marvin32(at.first(kHeaderHash), kRegistryLogSeed) == base_block::Read64(at, kHeaderHash);
}

bool BodyHashHolds(std::span<const std::uint8_t> entry) {
  return Marvin32(entry.subspan(kReferences), kRegistryLogSeed) ==
         base_block::Read64(entry, kBodyHash);
}

// Reads the size of the entry at `offset`: kGood when it is a size that an entry may have and
// the entry lies within the log.
EntryCheck CheckSize(std::span<const std::uint8_t> log, std::size_t offset, std::uint32_t& size) {
  if (log.size() < offset || log.size() - offset < kReferences ||
      std::memcmp(log.data() + offset, "HvLE", 4) != 0) {
    return EntryCheck::kNoEntry;
  }
  size = base_block::Read32(log, offset + 4);
  if (size < kReferences || size % kAlignment != 0) return EntryCheck::kBadSize;
  if (size > log.size() - offset) return EntryCheck::kCutShort;
  return EntryCheck::kGood;
}

EntryCheck ReadEntry(std::span<const std::uint8_t> log, std::size_t offset, Entry& entry) {
  std::uint32_t size = 0;
  if (const EntryCheck check = CheckSize(log, offset, size); check != EntryCheck::kGood) {
    return check;
  }
  const std::span<const std::uint8_t> bytes = log.subspan(offset, size);
  if (!HeaderHashHolds(bytes) || !BodyHashHolds(bytes)) return EntryCheck::kBadHash;
  entry = {offset,
           size,
           base_block::Read32(bytes, kFlags),
           base_block::Read32(bytes, kSequence),
           base_block::Read32(bytes, kBinsSize),
           base_block::Read32(bytes, kPageCount)};
  if (entry.bins_size == 0 || entry.bins_size % hive_bin::kUnit != 0 ||
      entry.bins_size > kMaxBinsSize) {
    return EntryCheck::kBadBinsSize;
  }
  std::uint64_t data = kReferences + std::uint64_t{entry.pages} * 8;
  if (data > size) return EntryCheck::kBadPages;
  for (std::uint32_t i = 0; i < entry.pages; ++i) {
    const std::uint64_t page_offset = base_block::Read32(bytes, kReferences + 8 * i);
    const std::uint64_t page_size = base_block::Read32(bytes, kReferences + 8 * i + 4);
    data += page_size;
    if (page_offset + page_size > entry.bins_size || data > size) return EntryCheck::kBadPages;
  }
  return EntryCheck::kGood;
}

// What ends a log's run of entries.
enum class End { kNone, kSequence, kDamaged, kCutShort, kTooLarge };

// What an entry that claims a hive larger than `largest` bytes of bins is said to be, as in
// "LOG1's entry 2109 is " + this.
std::string TooLarge(const Entry& entry) {
  return "damaged: it makes the hive " + std::to_string(base_block::kSize + entry.bins_size) +
         " bytes long, more than the hive and its logs together hold";
}

// The entries of one log that apply in a row: from the one whose sequence number its base block
// names, each next exactly one more. Older entries before them are passed over.
struct Chain {
  NamedLog log;
  std::uint32_t first;  // the base block's sequence number
  std::vector<Entry> entries;
  std::string refusal;    // why there are none
  End end = End::kNone;   // what follows the last of them
  std::string too_large;  // with kTooLarge: the entry's number and what it claims
  std::uint32_t Last() const { return entries.back().sequence; }
};

// A hive grows only by pages that the logs hold, so an entry whose bins size is above
// `largest_bins` (the primary's bins and every log's bytes) is damaged, and is never allocated.
Chain ReadChain(const NamedLog& log, std::uint64_t largest_bins) {
  Chain chain{log, base_block::PrimarySequence(log.bytes), {}, {}, End::kNone, {}};
  std::size_t offset = base_block::kLogCopySize;
  for (;;) {
    Entry entry;
    const EntryCheck check = ReadEntry(log.bytes, offset, entry);
    if (check != EntryCheck::kGood) {
      chain.end = check == EntryCheck::kNoEntry    ? End::kNone
                  : check == EntryCheck::kCutShort ? End::kCutShort
                                                   : End::kDamaged;
      if (chain.entries.empty()) {
        chain.refusal = check == EntryCheck::kNoEntry ? "without entries"
                        : check == EntryCheck::kCutShort || check == EntryCheck::kBadSize ||
                                check == EntryCheck::kBadHash
                            ? "torn at its first entry"
                            : "damaged at its first entry";
      }
      break;
    }
    offset += entry.size;
    if (chain.entries.empty() && entry.sequence < chain.first) continue;  // already applied
    if (entry.sequence != chain.first + chain.entries.size()) {
      if (chain.entries.empty()) chain.refusal = "missing the entry that its start names";
      chain.end = End::kSequence;
      break;
    }
    if (entry.bins_size > largest_bins) {
      chain.end = End::kTooLarge;
      chain.too_large = std::to_string(entry.sequence) + " is " + TooLarge(entry);
      if (chain.entries.empty())
        chain.refusal = "damaged at its first entry: entry " + chain.too_large;
      break;
    }
    chain.entries.push_back(entry);
  }
  return chain;
}

// Where the entries that apply end, after the chain's last one.
std::string EndOf(const Chain& chain) {
  const std::string last = std::to_string(chain.Last());
  const std::string log = Name(chain.log.name);
  switch (chain.end) {
    case End::kDamaged:
      return log + "'s entry after entry " + last + " is damaged";
    case End::kCutShort:
      return log + " is cut short in the entry after entry " + last;
    case End::kTooLarge:
      return log + "'s entry " + chain.too_large;
    case End::kNone:
    case End::kSequence:
      break;
  }
  return "no entry " + std::to_string(std::uint64_t{chain.Last()} + 1) + " follows entry " + last;
}

// Copies the entry's pages into the hive, grown or shrunk to the entry's bins size, and marks the
// 4096-byte units they touched in `written`.
void ApplyEntry(std::vector<std::uint8_t>& hive, std::span<const std::uint8_t> log,
                const Entry& entry, std::vector<bool>& written, HiveRecovery& result) {
  hive.resize(base_block::kSize + entry.bins_size);
  written.resize(entry.bins_size / hive_bin::kUnit);
  const std::span<const std::uint8_t> bytes = log.subspan(entry.offset, entry.size);
  std::size_t data = kReferences + std::size_t{entry.pages} * 8;
  for (std::uint32_t i = 0; i < entry.pages; ++i) {
    const std::uint32_t offset = base_block::Read32(bytes, kReferences + 8 * i);
    const std::uint32_t size = base_block::Read32(bytes, kReferences + 8 * i + 4);
    std::memcpy(hive.data() + base_block::kSize + offset, bytes.data() + data, size);
    data += size;
    for (std::uint64_t unit = offset / hive_bin::kUnit;
         unit * hive_bin::kUnit < std::uint64_t{offset} + size; ++unit) {
      written[unit] = true;
    }
  }
  const std::span<std::uint8_t> block(hive.data(), base_block::kSize);
  base_block::SetFlags(block, (base_block::Flags(block) & ~1u) | (entry.flags & 1u));
  ++result.entries_applied;
  result.pages_applied += entry.pages;
}

// Every bin that pages were written into must have a sound header; one that has not becomes an
// empty bin, so that what lies behind it is still found.
void ReplaceBrokenBins(std::vector<std::uint8_t>& hive, const std::vector<bool>& written,
                       HiveRecovery& result) {
  const std::uint64_t bins_size = hive.size() - base_block::kSize;
  for (std::uint64_t at = 0; at < bins_size;) {
    std::uint8_t* bin = hive.data() + base_block::kSize + at;
    const std::uint32_t size = hive_bin::CheckedSize({bin, hive_bin::kHeaderSize}, at, bins_size);
    if (size != 0) {
      at += size;
      continue;
    }
    if (written[at / hive_bin::kUnit]) {
      hive_bin::WriteEmpty({bin, hive_bin::kUnit}, static_cast<std::uint32_t>(at));
      ++result.bins_replaced;
    }
    at += hive_bin::kUnit;
  }
}

}  // namespace

std::vector<LoggedEntry> FindEntries(std::span<const std::uint8_t> log) {
  std::vector<LoggedEntry> entries;
  for (std::size_t at = base_block::kLogCopySize; at < log.size(); at += kAlignment) {
    std::uint32_t size = 0;
    if (CheckSize(log, at, size) == EntryCheck::kGood && HeaderHashHolds(log.subspan(at, size))) {
      entries.push_back({at, size, base_block::Read32(log, at + kSequence)});
    }
  }
  return entries;
}

bool BodyHashHolds(std::span<const std::uint8_t> log, const LoggedEntry& entry) {
  return BodyHashHolds(log.subspan(entry.offset, entry.size));
}

bool ApplyNewFormat(Primary primary, std::span<const NamedLog> logs, HiveRecovery& result,
                    std::vector<Refusal>& refusals) {
  std::uint64_t largest_bins =
      primary.hive.size() - std::min(primary.hive.size(), base_block::kSize);
  for (const NamedLog& log : logs) largest_bins += log.bytes.size();
  std::vector<Chain> chains;
  for (const NamedLog& log : logs) {
    Chain chain = ReadChain(log, largest_bins);
    if (chain.entries.empty()) {
      refusals.push_back({log.name, chain.refusal});
    } else if (primary.base_block_sound &&
               chain.first < base_block::SecondarySequence(primary.hive)) {
      refusals.push_back({log.name, "older than the hive"});
    } else {
      chains.push_back(std::move(chain));
    }
  }
  if (chains.empty()) return false;

  // The order of application: the log with the earlier entries first (of two that start alike,
  // the one that goes further), then the other from the next sequence number on. A damaged
  // primary base block is replaced by the one of the log with the latest entries, and only that
  // log is used.
  std::sort(chains.begin(), chains.end(), [](const Chain& a, const Chain& b) {
    return a.first != b.first ? a.first < b.first : a.Last() > b.Last();
  });
  std::vector<std::pair<const Chain*, std::size_t>> plan;  // a chain, from its entry
  if (!primary.base_block_sound) {
    const Chain& latest =
        *std::max_element(chains.begin(), chains.end(),
                          [](const Chain& a, const Chain& b) { return a.Last() < b.Last(); });
    plan.push_back({&latest, 0});
  } else {
    plan.push_back({&chains[0], 0});
    if (chains.size() > 1) {
      const std::uint64_t next = std::uint64_t{chains[0].Last()} + 1;
      const Chain& other = chains[1];
      if (other.first <= next && next <= other.Last()) plan.push_back({&other, next - other.first});
    }
  }

  std::uint32_t largest = 0;
  for (const auto& [chain, from] : plan) {
    for (std::size_t i = from; i < chain->entries.size(); ++i) {
      largest = std::max(largest, chain->entries[i].bins_size);
    }
  }
  if (!ReserveHive(primary.hive, largest)) {
    refusals.push_back({plan[0].first->log.name, "too large to apply in this machine's memory"});
    return false;
  }

  std::vector<std::uint8_t>& hive = primary.hive;
  if (!primary.base_block_sound) {
    if (hive.size() < base_block::kSize) hive.resize(base_block::kSize);
    std::memcpy(hive.data(), plan[0].first->log.bytes.data(), base_block::kLogCopySize);
    result.base_block_from = plan[0].first->log.name;
  }
  std::vector<bool> written;
  const Entry* last = nullptr;
  for (const auto& [chain, from] : plan) {
    for (std::size_t i = from; i < chain->entries.size(); ++i) {
      last = &chain->entries[i];
      ApplyEntry(hive, chain->log.bytes, *last, written, result);
    }
  }
  ReplaceBrokenBins(hive, written, result);
  FinishBaseBlock(hive, last->sequence, last->bins_size);
  result.problem = EndOf(*plan.back().first);
  return true;
}

}  // namespace harnlode::log_recovery
