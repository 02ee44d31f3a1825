// Old-format logs (Vista to Windows 8.0): after the base block copy, "DIRT" and a bitmap with one
// bit per 512-byte page of the hive-bins data, then the pages whose bits are set, in order.
#include <algorithm>
#include <cstring>

#include "offline/base_block.h"
#include "offline/hive_bin.h"
#include "offline/log_recovery.h"

namespace harnlode::log_recovery {
namespace {

constexpr std::size_t kPage = 512;
constexpr std::size_t kSignature = base_block::kLogCopySize;  // "DIRT"
constexpr std::size_t kBitmap = kSignature + 4;

struct OldLog {
  NamedLog log;
  std::uint32_t bins_size = 0;
  std::size_t pages_at = 0;      // where the first page lies in the log
  std::uint64_t pages_held = 0;  // whole pages from there to the log's end

  bool Dirty(std::uint64_t page) const { return (log.bytes[kBitmap + page / 8] >> (page % 8)) & 1; }
  const std::uint8_t* Page(std::uint64_t index) const {
    return log.bytes.data() + pages_at + index * kPage;
  }
};

// The log's layout, or why it is not usable.
bool ReadLayout(const NamedLog& log, OldLog& layout, std::string& refusal) {
  layout.log = log;
  layout.bins_size = base_block::BinsSize(log.bytes);
  if (log.bytes.size() < kBitmap || std::memcmp(log.bytes.data() + kSignature, "DIRT", 4) != 0 ||
      layout.bins_size == 0 || layout.bins_size % hive_bin::kUnit != 0 ||
      layout.bins_size > kMaxBinsSize) {
    refusal = "damaged at its start";
    return false;
  }
  const std::size_t bitmap_bytes = layout.bins_size / kPage / 8;
  if (log.bytes.size() - kBitmap < bitmap_bytes) {
    refusal = "cut short in its page map";
    return false;
  }
  layout.pages_at = (kBitmap + bitmap_bytes + kPage - 1) / kPage * kPage;
  layout.pages_held =
      log.bytes.size() > layout.pages_at ? (log.bytes.size() - layout.pages_at) / kPage : 0;
  return true;
}

// The last-written time that a log must carry to apply: the base block's, or when that is
// damaged, the first bin's.
bool PrimaryTime(const Primary& primary, std::uint64_t& time) {
  const std::span<const std::uint8_t> hive(primary.hive);
  if (primary.base_block_sound) {
    time = base_block::LastWritten(hive);
    return true;
  }
  if (hive.size() < base_block::kSize + hive_bin::kHeaderSize) return false;
  time = base_block::Read64(hive, base_block::kSize + hive_bin::kTimestamp);
  return true;
}

// How far from the start of the hive-bins data the log's pages apply, bin by bin: each bin's
// header (from the log where its first page is dirty) must be sound, and the log must hold all of
// its dirty pages. Recovery stops at the first bin that fails.
struct AppliedPart {
  std::uint64_t end = 0;
  std::uint64_t pages = 0;   // of the log, in bins before `end`
  bool damaged_bin = false;  // it stopped at a bin whose header is not sound
};

AppliedPart AppliedEnd(const Primary& primary, const OldLog& layout) {
  const std::uint64_t pages = layout.bins_size / kPage;
  std::uint64_t last_dirty = pages;
  for (std::uint64_t page = pages; page-- > 0;) {
    if (layout.Dirty(page)) {
      last_dirty = page;
      break;
    }
  }
  AppliedPart part;
  if (last_dirty == pages) return part;
  std::uint64_t& end = part.end;
  std::uint64_t& used = part.pages;
  while (end / kPage <= last_dirty) {
    std::span<const std::uint8_t> header;
    if (layout.Dirty(end / kPage)) {
      if (used >= layout.pages_held) break;
      header = {layout.Page(used), hive_bin::kHeaderSize};
    } else if (primary.hive.size() >= base_block::kSize + end + hive_bin::kHeaderSize) {
      header = {primary.hive.data() + base_block::kSize + end, hive_bin::kHeaderSize};
    }
    const std::uint32_t size = hive_bin::CheckedSize(header, end, layout.bins_size);
    if (size == 0) {
      part.damaged_bin = true;
      break;
    }
    std::uint64_t in_bin = 0;
    for (std::uint64_t page = end / kPage; page < (end + size) / kPage; ++page) {
      in_bin += layout.Dirty(page);
    }
    if (used + in_bin > layout.pages_held) break;
    used += in_bin;
    end += size;
  }
  return part;
}

}  // namespace

bool ApplyOldFormat(Primary primary, std::span<const NamedLog> logs, HiveRecovery& result,
                    std::vector<Refusal>& refusals) {
  std::uint64_t time = 0;
  const bool timed = PrimaryTime(primary, time);
  // LOG1 first, then LOG2 where it holds the newer log; LOG only when neither applies.
  const OldLog* chosen = nullptr;
  std::vector<OldLog> layouts;
  layouts.reserve(logs.size());
  for (const NamedLog& log : logs) {
    std::string refusal;
    OldLog layout;
    if (!ReadLayout(log, layout, refusal)) {
      refusals.push_back({log.name, refusal});
    } else if (!timed || base_block::LastWritten(log.bytes) != time) {
      refusals.push_back({log.name, "written for another state of the hive"});
    } else {
      layouts.push_back(layout);
    }
  }
  for (const OldLog& layout : layouts) {
    if (layout.log.name == HiveRecovery::Log::kLog) {
      if (chosen == nullptr) chosen = &layout;
    } else if (chosen == nullptr || chosen->log.name == HiveRecovery::Log::kLog ||
               base_block::PrimarySequence(layout.log.bytes) >
                   base_block::PrimarySequence(chosen->log.bytes)) {
      chosen = &layout;
    }
  }
  if (chosen == nullptr) return false;

  const AppliedPart part = AppliedEnd(primary, *chosen);
  const std::uint64_t end = part.end;
  std::uint64_t dirty = 0;
  for (std::uint64_t page = 0; page < chosen->bins_size / kPage; ++page) {
    dirty += chosen->Dirty(page);
  }
  if (dirty > 0 && end == 0) {
    refusals.push_back({chosen->log.name, "torn at its first bin"});
    return false;
  }
  // The hive grows only by pages that the log holds; a larger one is never allocated.
  const std::size_t bins_held =
      primary.hive.size() - std::min(primary.hive.size(), base_block::kSize);
  if (chosen->bins_size > bins_held + chosen->log.bytes.size()) {
    refusals.push_back(
        {chosen->log.name, "damaged at its start: it makes the hive " +
                               std::to_string(base_block::kSize + chosen->bins_size) +
                               " bytes long, more than the hive and the log together hold"});
    return false;
  }
  if (!ReserveHive(primary.hive, chosen->bins_size)) {
    refusals.push_back({chosen->log.name, "too large to apply in this machine's memory"});
    return false;
  }

  std::vector<std::uint8_t>& hive = primary.hive;
  hive.resize(base_block::kSize + chosen->bins_size);
  std::uint64_t used = 0;
  for (std::uint64_t page = 0; page < end / kPage; ++page) {
    if (!chosen->Dirty(page)) continue;
    std::memcpy(hive.data() + base_block::kSize + page * kPage, chosen->Page(used++), kPage);
  }
  result.pages_applied = static_cast<std::uint32_t>(used);
  if (!primary.base_block_sound) {
    std::memcpy(hive.data(), chosen->log.bytes.data(), base_block::kLogCopySize);
    result.base_block_from = chosen->log.name;
  }
  FinishBaseBlock(hive, base_block::PrimarySequence(chosen->log.bytes), chosen->bins_size);
  result.problem = std::string("the log that applies, ") + Name(chosen->log.name) +
                   ", is of the older format, which has no numbered entries";
  // Pages that the log holds beyond a damaged bin; those of a log cut short are a write that did
  // not finish.
  const std::uint64_t left_out = std::min(dirty, chosen->pages_held) - part.pages;
  if (part.damaged_bin && left_out > 0) {
    result.unapplied = std::string(Name(chosen->log.name)) + " holds " + std::to_string(left_out) +
                       (left_out == 1 ? " page" : " pages");
    result.unapplied_count = left_out;
    result.problem = "the hive bin at offset " + std::to_string(end) + " is damaged";
  }
  return true;
}

}  // namespace harnlode::log_recovery
