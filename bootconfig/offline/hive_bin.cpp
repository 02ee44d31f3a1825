#include "offline/hive_bin.h"

#include <algorithm>
#include <cstring>

#include "offline/base_block.h"

namespace harnlode::hive_bin {
namespace {

constexpr std::size_t kOffset = 4;
constexpr std::size_t kSize = 8;

}  // namespace

std::uint32_t CheckedSize(std::span<const std::uint8_t> header, std::uint64_t offset,
                          std::uint64_t bins_size) {
  if (header.size() < kHeaderSize || std::memcmp(header.data(), "hbin", 4) != 0) return 0;
  if (base_block::Read32(header, kOffset) != offset) return 0;
  const std::uint32_t size = base_block::Read32(header, kSize);
  if (size == 0 || size % kUnit != 0 || offset + size > bins_size) return 0;
  return size;
}

void WriteEmpty(std::span<std::uint8_t> bin, std::uint32_t offset) {
  std::fill(bin.begin(), bin.end(), std::uint8_t{0});
  std::memcpy(bin.data(), "hbin", 4);
  base_block::Write32(bin, kOffset, offset);
  base_block::Write32(bin, kSize, kUnit);
  // One free cell over the rest: a positive size marks a cell as free.
  base_block::Write32(bin, kHeaderSize, kUnit - kHeaderSize);
}

}  // namespace harnlode::hive_bin
