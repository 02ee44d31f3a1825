// Marvin32, the 64-bit keyed hash that new-format registry logs use to vouch for their entries.
#pragma once

#include <cstdint>
#include <span>

namespace harnlode {

// The seed with which Windows hashes registry log entries.
constexpr std::uint64_t kRegistryLogSeed = 0x82EF4D887A4E55C5;

// Marvin32 of `data` under `seed` (its low half is the first state word, its high half the
// second); the result holds the second state word in its high half.
std::uint64_t Marvin32(std::span<const std::uint8_t> data, std::uint64_t seed);

}  // namespace harnlode
