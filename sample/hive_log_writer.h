// Writes registry transaction logs of both formats from the format's rules, so that tests and
// the fuzzer can give the recovery real-looking logs of hives they made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace harnlode::hive_log {

// Bytes of hive-bins data (offset from the end of the base block).
struct PageRange {
  std::uint32_t offset;
  std::uint32_t size;
};

// One new-format entry: the ranges of `hive` (a whole hive image, base block included, whose
// bins size the entry carries) that it writes.
struct Entry {
  std::uint32_t sequence;
  std::span<const std::uint8_t> hive;
  std::vector<PageRange> pages;
  std::uint32_t flags = 1;
};

struct WrittenLog {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> entry_offsets;  // where each entry starts in `bytes`
};

// A new-format log: a copy of `base_block` (at least 512 bytes) with both sequence numbers
// `sequence` and the new-format file type, then `entries` back to back with their hashes.
WrittenLog WriteNewFormatLog(std::span<const std::uint8_t> base_block, std::uint32_t sequence,
                             const std::vector<Entry>& entries);

// Recomputes the hashes of the entry at `offset`, after a test changed its fields.
void RehashEntry(std::span<std::uint8_t> log, std::size_t offset);

// An old-format log of `hive` (a whole hive image): a copy of its base block with both sequence
// numbers `sequence` and the old-format file type, the map of `dirty` (ranges in multiples of
// 512 bytes) and those pages of `hive`.
std::vector<std::uint8_t> WriteOldFormatLog(std::span<const std::uint8_t> hive,
                                            std::uint32_t sequence,
                                            const std::vector<PageRange>& dirty);

// The 4096-byte units of hive-bins data in which `after` differs from `before` (or that `before`
// lacks), both whole hive images.
std::vector<PageRange> ChangedPages(std::span<const std::uint8_t> before,
                                    std::span<const std::uint8_t> after);

}  // namespace harnlode::hive_log
