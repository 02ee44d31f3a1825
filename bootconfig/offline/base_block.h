// The base block of a registry hive file: its first 4096 bytes, which say what the file is and
// how much of it is hive bins. A log file starts with a 512-byte copy of it. This is the one place
// that knows the fields' offsets; everything else reads and writes them through these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace harnlode::base_block {

constexpr std::size_t kSize = 4096;        // in a primary hive file; the hive bins start here
constexpr std::size_t kLogCopySize = 512;  // the copy at the start of a log file
constexpr std::size_t kChecksummed = 508;  // bytes covered by the checksum, which follows them

// What the file-type field says.
enum class FileType : std::uint32_t { kPrimary = 0, kOldLog = 1, kNewLog = 6 };

// Little-endian fields at fixed offsets. Readers take at least kLogCopySize bytes.
std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint64_t Read64(std::span<const std::uint8_t> bytes, std::size_t offset);
void Write32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);

bool HasSignature(std::span<const std::uint8_t> block);  // "regf"
std::uint32_t PrimarySequence(std::span<const std::uint8_t> block);
std::uint32_t SecondarySequence(std::span<const std::uint8_t> block);
std::uint64_t LastWritten(std::span<const std::uint8_t> block);  // a FILETIME
std::uint32_t Type(std::span<const std::uint8_t> block);
std::uint32_t BinsSize(std::span<const std::uint8_t> block);  // bytes of hive bins after the block
std::uint32_t StoredChecksum(std::span<const std::uint8_t> block);
std::uint32_t Flags(std::span<const std::uint8_t> block);

// The XOR of the first 127 little-endian words; 0xFFFFFFFF becomes 0xFFFFFFFE and 0 becomes 1.
std::uint32_t ComputeChecksum(std::span<const std::uint8_t> block);
bool ChecksumValid(std::span<const std::uint8_t> block);

// Signature and checksum right, sequence numbers equal: a hive that its last writer finished.
bool Clean(std::span<const std::uint8_t> block);

void SetSequences(std::span<std::uint8_t> block, std::uint32_t primary, std::uint32_t secondary);
void SetType(std::span<std::uint8_t> block, FileType type);
void SetBinsSize(std::span<std::uint8_t> block, std::uint32_t size);
void SetFlags(std::span<std::uint8_t> block, std::uint32_t flags);
void UpdateChecksum(std::span<std::uint8_t> block);

// Fills a zeroed block as a clean primary's, version 1.5, sequence numbers 1, checksum right.
// `file_name` is the end of the file's name, ASCII, kept in the block as the platform does.
struct NewPrimary {
  std::uint32_t root_cell = 0;
  std::uint32_t bins_size = 0;
  std::uint64_t last_written = 0;  // a FILETIME
  std::string_view file_name;
};
void WriteNewPrimary(std::span<std::uint8_t> block, const NewPrimary& fields);

}  // namespace harnlode::base_block
