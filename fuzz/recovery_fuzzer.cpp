// Feeds arbitrary bytes, as a primary hive and its three logs, to the recovery and stops at the
// first input for which a property of recovery_properties.h does not hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "offline/base_block.h"
#include "offline/marvin32.h"
#include "recovery_properties.h"

namespace {

namespace base_block = harnlode::base_block;

// Beyond this the fuzzer would spend its time on allocating hives, not on finding faults.
constexpr std::uint32_t kLargestBinsSize = 64 << 20;

void Write64(std::uint8_t* at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> 8 * i);
}

// Gives a mutated log a right base block checksum and right entry hashes, so that mutants reach
// what lies behind those checks; not where the log would claim a huge hive. The entry numbered
// `unfixed` (counted from 1; 0 for none) keeps its hashes as they are, so that entries with right
// hashes lie beyond one that may be damaged.
void FixLog(std::span<std::uint8_t> log, unsigned unfixed) {
  if (log.size() < base_block::kLogCopySize) return;
  if (base_block::BinsSize(log) <= kLargestBinsSize) base_block::UpdateChecksum(log);
  unsigned found = 0;
  for (std::size_t at = base_block::kLogCopySize; at + 40 <= log.size(); at += 512) {
    std::uint8_t* entry = log.data() + at;
    if (std::memcmp(entry, "HvLE", 4) != 0 || ++found == unfixed) continue;
    const std::uint32_t size = base_block::Read32(log, at + 4);
    if (size < 40 || size > log.size() - at ||
        base_block::Read32(log, at + 16) > kLargestBinsSize) {
      continue;
    }
    Write64(entry + 24, harnlode::Marvin32({entry + 40, size - 40}, harnlode::kRegistryLogSeed));
    Write64(entry + 32, harnlode::Marvin32({entry, 32}, harnlode::kRegistryLogSeed));
  }
}

// The mutable bytes of a part that Split found in `data`.
std::span<std::uint8_t> Mutable(std::uint8_t* data, std::span<const std::uint8_t> part) {
  return {data + (part.data() - data), part.size()};
}

}  // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
  size = LLVMFuzzerMutate(data, size, max_size);
  if (seed % 8 == 0) return size;
  const harnlode::RecoveryInput split = harnlode::RecoveryInput::Split({data, size});
  if (split.primary.empty() && split.log1.empty()) return size;
  const std::span<std::uint8_t> primary = Mutable(data, split.primary);
  if (primary.size() >= base_block::kSize && seed % 3 != 0) base_block::UpdateChecksum(primary);
  const unsigned unfixed = seed % 5 == 1 ? seed / 5 % 4 + 1 : 0;
  for (const auto part : {split.log1, split.log2, split.log}) {
    if (!part.empty()) FixLog(Mutable(data, part), unfixed);
  }
  return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string violated = harnlode::CheckRecoveryProperties({data, size});
  if (!violated.empty()) {
    std::fprintf(stderr, "violated: %s\n", violated.c_str());
    std::abort();
  }
  return 0;
}
