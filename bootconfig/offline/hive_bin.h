// The header of a hive bin, the unit in which a hive's cells are laid out (a multiple of 4096
// bytes); what recovery checks of a bin it has written into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace harnlode::hive_bin {

constexpr std::size_t kHeaderSize = 32;
constexpr std::uint32_t kUnit = 4096;   // bins are whole multiples of it
constexpr std::size_t kTimestamp = 20;  // a FILETIME in the first bin's header

// The size of the bin whose header starts `header` (at least kHeaderSize bytes), when the header
// is sound for a bin at `offset` of hive-bins data of `bins_size` bytes: signature "hbin", its
// offset field equal to `offset`, its size a non-zero multiple of kUnit that ends within the data.
// 0 when it is not.
std::uint32_t CheckedSize(std::span<const std::uint8_t> header, std::uint64_t offset,
                          std::uint64_t bins_size);

// Writes an empty bin of kUnit bytes (one free cell) for `offset` into `bin` (kUnit bytes).
void WriteEmpty(std::span<std::uint8_t> bin, std::uint32_t offset);

}  // namespace harnlode::hive_bin
