#include "hive_log_writer.h"

#include <algorithm>
#include <cstring>

#include "offline/base_block.h"
#include "offline/marvin32.h"

namespace harnlode::hive_log {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kReferences = 40;

std::size_t RoundUp(std::size_t size) { return (size + kSector - 1) / kSector * kSector; }

void Write64(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value) {
  base_block::Write32(bytes, offset, static_cast<std::uint32_t>(value));
  base_block::Write32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

std::vector<std::uint8_t> LogStart(std::span<const std::uint8_t> base_block, std::uint32_t sequence,
                                   base_block::FileType type) {
  std::vector<std::uint8_t> log(base_block.begin(), base_block.begin() + base_block::kLogCopySize);
  base_block::SetSequences(log, sequence, sequence);
  base_block::SetType(log, type);
  base_block::UpdateChecksum(log);
  return log;
}

}  // namespace

WrittenLog WriteNewFormatLog(std::span<const std::uint8_t> base_block, std::uint32_t sequence,
                             const std::vector<Entry>& entries) {
  WrittenLog written{LogStart(base_block, sequence, base_block::FileType::kNewLog), {}};
  std::vector<std::uint8_t>& log = written.bytes;
  for (const Entry& entry : entries) {
    std::size_t size = kReferences + 8 * entry.pages.size();
    for (const PageRange& page : entry.pages) size += page.size;
    const std::size_t at = log.size();
    written.entry_offsets.push_back(at);
    log.resize(at + RoundUp(size));
    const std::span<std::uint8_t> bytes(log.data() + at, log.size() - at);
    std::memcpy(bytes.data(), "HvLE", 4);
    base_block::Write32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
    base_block::Write32(bytes, 8, entry.flags);
    base_block::Write32(bytes, 12, entry.sequence);
    base_block::Write32(bytes, 16, base_block::BinsSize(entry.hive));
    base_block::Write32(bytes, 20, static_cast<std::uint32_t>(entry.pages.size()));
    std::size_t data = kReferences + 8 * entry.pages.size();
    for (std::size_t i = 0; i < entry.pages.size(); ++i) {
      const PageRange& page = entry.pages[i];
      base_block::Write32(bytes, kReferences + 8 * i, page.offset);
      base_block::Write32(bytes, kReferences + 8 * i + 4, page.size);
      std::memcpy(bytes.data() + data, entry.hive.data() + base_block::kSize + page.offset,
                  page.size);
      data += page.size;
    }
    RehashEntry(log, at);
  }
  return written;
}

void RehashEntry(std::span<std::uint8_t> log, std::size_t offset) {
  const std::span<std::uint8_t> entry = log.subspan(
      offset, std::min<std::size_t>(base_block::Read32(log, offset + 4), log.size() - offset));
  Write64(entry, 24, Marvin32(entry.subspan(kReferences), kRegistryLogSeed));
  Write64(entry, 32, Marvin32(entry.first(32), kRegistryLogSeed));
}

std::vector<std::uint8_t> WriteOldFormatLog(std::span<const std::uint8_t> hive,
                                            std::uint32_t sequence,
                                            const std::vector<PageRange>& dirty) {
  std::vector<std::uint8_t> log = LogStart(hive, sequence, base_block::FileType::kOldLog);
  const std::size_t pages = base_block::BinsSize(hive) / kSector;
  log.resize(RoundUp(log.size() + 4 + pages / 8));
  std::memcpy(log.data() + kSector, "DIRT", 4);
  std::vector<bool> is_dirty(pages);
  for (const PageRange& range : dirty) {
    for (std::size_t page = range.offset / kSector; page < (range.offset + range.size) / kSector;
         ++page) {
      is_dirty[page] = true;
    }
  }
  for (std::size_t page = 0; page < pages; ++page) {
    if (!is_dirty[page]) continue;
    log[kSector + 4 + page / 8] |= static_cast<std::uint8_t>(1u << page % 8);
    const std::uint8_t* from = hive.data() + base_block::kSize + page * kSector;
    log.insert(log.end(), from, from + kSector);
  }
  return log;
}

std::vector<PageRange> ChangedPages(std::span<const std::uint8_t> before,
                                    std::span<const std::uint8_t> after) {
  constexpr std::size_t kUnit = 4096;
  std::vector<PageRange> pages;
  for (std::size_t at = base_block::kSize; at + kUnit <= after.size(); at += kUnit) {
    if (at + kUnit > before.size() || std::memcmp(before.data() + at, after.data() + at, kUnit)) {
      pages.push_back({static_cast<std::uint32_t>(at - base_block::kSize), kUnit});
    }
  }
  return pages;
}

}  // namespace harnlode::hive_log
