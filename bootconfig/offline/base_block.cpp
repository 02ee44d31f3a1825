#include "offline/base_block.h"

#include <cstring>

namespace harnlode::base_block {
namespace {

constexpr std::size_t kPrimarySequence = 4;
constexpr std::size_t kSecondarySequence = 8;
constexpr std::size_t kLastWritten = 12;
constexpr std::size_t kMajorVersion = 20;
constexpr std::size_t kMinorVersion = 24;
constexpr std::size_t kType = 28;
constexpr std::size_t kFormat = 32;
constexpr std::size_t kRootCell = 36;
constexpr std::size_t kBinsSize = 40;
constexpr std::size_t kClusteringFactor = 44;
constexpr std::size_t kFileName = 48;
constexpr std::size_t kFileNameBytes = 64;
constexpr std::size_t kFlags = 144;
constexpr std::size_t kChecksum = kChecksummed;

}  // namespace

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const std::uint8_t* at = bytes.data() + offset;
  return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t{at[3]} << 24);
}

std::uint64_t Read64(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return Read32(bytes, offset) | (std::uint64_t{Read32(bytes, offset + 4)} << 32);
}

void Write32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> 8 * i);
}

bool HasSignature(std::span<const std::uint8_t> block) {
  return block.size() >= 4 && std::memcmp(block.data(), "regf", 4) == 0;
}

std::uint32_t PrimarySequence(std::span<const std::uint8_t> block) {
  return Read32(block, kPrimarySequence);
}
std::uint32_t SecondarySequence(std::span<const std::uint8_t> block) {
  return Read32(block, kSecondarySequence);
}
std::uint64_t LastWritten(std::span<const std::uint8_t> block) {
  return Read64(block, kLastWritten);
}
std::uint32_t Type(std::span<const std::uint8_t> block) { return Read32(block, kType); }
std::uint32_t BinsSize(std::span<const std::uint8_t> block) { return Read32(block, kBinsSize); }
std::uint32_t StoredChecksum(std::span<const std::uint8_t> block) {
  return Read32(block, kChecksum);
}
std::uint32_t Flags(std::span<const std::uint8_t> block) { return Read32(block, kFlags); }

std::uint32_t ComputeChecksum(std::span<const std::uint8_t> block) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < kChecksummed; at += 4) sum ^= Read32(block, at);
  if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
  if (sum == 0) return 1;
  return sum;
}

bool ChecksumValid(std::span<const std::uint8_t> block) {
  return ComputeChecksum(block) == StoredChecksum(block);
}

bool Clean(std::span<const std::uint8_t> block) {
  return block.size() >= kLogCopySize && HasSignature(block) && ChecksumValid(block) &&
         PrimarySequence(block) == SecondarySequence(block);
}

void SetSequences(std::span<std::uint8_t> block, std::uint32_t primary, std::uint32_t secondary) {
  Write32(block, kPrimarySequence, primary);
  Write32(block, kSecondarySequence, secondary);
}
void SetType(std::span<std::uint8_t> block, FileType type) {
  Write32(block, kType, static_cast<std::uint32_t>(type));
}
void SetBinsSize(std::span<std::uint8_t> block, std::uint32_t size) {
  Write32(block, kBinsSize, size);
}
void SetFlags(std::span<std::uint8_t> block, std::uint32_t flags) { Write32(block, kFlags, flags); }
void UpdateChecksum(std::span<std::uint8_t> block) {
  Write32(block, kChecksum, ComputeChecksum(block));
}

void WriteNewPrimary(std::span<std::uint8_t> block, const NewPrimary& fields) {
  std::memcpy(block.data(), "regf", 4);
  SetSequences(block, 1, 1);
  Write32(block, kLastWritten, static_cast<std::uint32_t>(fields.last_written));
  Write32(block, kLastWritten + 4, static_cast<std::uint32_t>(fields.last_written >> 32));
  Write32(block, kMajorVersion, 1);
  Write32(block, kMinorVersion, 5);
  SetType(block, FileType::kPrimary);
  Write32(block, kFormat, 1);  // direct memory load
  Write32(block, kRootCell, fields.root_cell);
  SetBinsSize(block, fields.bins_size);
  Write32(block, kClusteringFactor, 1);
  // UTF-16LE, the end of the name when it is too long, a terminator kept.
  std::string_view name = fields.file_name;
  constexpr std::size_t kMaxChars = kFileNameBytes / 2 - 1;
  if (name.size() > kMaxChars) name.remove_prefix(name.size() - kMaxChars);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    block[kFileName + 2 * i] = c < 0x80 ? c : '?';
    block[kFileName + 2 * i + 1] = 0;
  }
  UpdateChecksum(block);
}

}  // namespace harnlode::base_block
