// What must hold for any primary hive and logs given to the recovery, whatever their bytes:
// - it does not crash, and a clean or unrecovered hive is left byte for byte as it was;
// - a recovered hive has a clean base block (equal sequence numbers, right checksum, primary
//   file type) no higher than the highest log sequence, is exactly 4096 bytes plus its bins
//   size, is clean to a second recovery, and hivex opens it or refuses it cleanly;
// - no log entry whose hashes hold is numbered above the highest log sequence, which a hive
//   written clean goes above; and unless the recovery names them as unapplied (and says why),
//   none lies above a recovered hive's number, nor below what applied while its log holds it as
//   not yet in the primary, so that such a hive is never written clean.
// The fuzzer's inputs are a primary and three logs in one piece, as RecoveryInput lays them out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harnlode {

// Three little-endian 32-bit lengths (primary, LOG1, LOG2), then those bytes, and the rest is
// LOG. Lengths beyond the input are cut to what it holds.
struct RecoveryInput {
  std::span<const std::uint8_t> primary, log1, log2, log;

  static RecoveryInput Split(std::span<const std::uint8_t> input);
  static std::vector<std::uint8_t> Join(std::span<const std::uint8_t> primary,
                                        std::span<const std::uint8_t> log1,
                                        std::span<const std::uint8_t> log2,
                                        std::span<const std::uint8_t> log = {});
};

// The property that did not hold for `input`, or "" when all did.
std::string CheckRecoveryProperties(std::span<const std::uint8_t> input);

}  // namespace harnlode
