#include "offline/marvin32.h"

#include <bit>

namespace harnlode {
namespace {

struct State {
  std::uint32_t low;
  std::uint32_t high;

  void Mix() {
    high ^= low;
    low = std::rotl(low, 20);
    low += high;
    high = std::rotl(high, 9);
    high ^= low;
    low = std::rotl(low, 27);
    low += high;
    high = std::rotl(high, 19);
  }
};

std::uint32_t Word(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t{at[3]} << 24);
}

}  // namespace

std::uint64_t Marvin32(std::span<const std::uint8_t> data, std::uint64_t seed) {
  State state{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
  const std::uint8_t* at = data.data();
  std::size_t left = data.size();
  for (; left >= 4; left -= 4, at += 4) {
    state.low += Word(at);
    state.Mix();
  }
  // The last 0 to 3 bytes, little-endian, followed by the padding byte 0x80.
  std::uint32_t last = 0x80;
  for (std::size_t i = left; i > 0; --i) last = (last << 8) | at[i - 1];
  state.low += last;
  state.Mix();
  state.Mix();
  return (std::uint64_t{state.high} << 32) | state.low;
}

}  // namespace harnlode
