#include "blank_hive.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "offline/base_block.h"

namespace harnlode {
namespace {

constexpr std::size_t kBinSize = 0x1000;
constexpr std::size_t kBinHeaderSize = 0x20;

// Cell offsets are relative to the first bin, which follows the base block.
constexpr std::uint32_t kRootCell = kBinHeaderSize;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;

constexpr std::string_view kRootName = "ROOT";

// Key flags: the hive's entry key, which cannot be deleted, with an 8-bit name.
constexpr std::uint16_t kRootKeyFlags = 0x0004 | 0x0008 | 0x0020;

class ByteWriter {
 public:
  explicit ByteWriter(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

  void U8(std::size_t at, std::uint8_t v) { bytes_[at] = v; }
  void U16(std::size_t at, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void U32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void U64(std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void Text(std::size_t at, std::string_view ascii) {
    std::memcpy(bytes_.data() + at, ascii.data(), ascii.size());
  }
  void Bytes(std::size_t at, std::span<const std::uint8_t> data) {
    std::memcpy(bytes_.data() + at, data.data(), data.size());
  }

 private:
  std::span<std::uint8_t> bytes_;
};

std::uint64_t FileTimeNow() {
  // FILETIME counts 100 ns ticks since 1601-01-01; the Unix epoch is 11644473600 s later.
  constexpr std::uint64_t kEpochDifference = 11644473600ULL * 10'000'000ULL;
  const auto since_unix = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return kEpochDifference + static_cast<std::uint64_t>(since_unix.count()) / 100;
}

std::size_t RoundToCell(std::size_t size) { return (size + 7) & ~std::size_t{7}; }

// A self-relative security descriptor: owner BUILTIN\Administrators, group SYSTEM, and a DACL
// giving both full control, inherited by subkeys.
std::vector<std::uint8_t> SecurityDescriptor() {
  const std::array<std::uint8_t, 12> system_sid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  const std::array<std::uint8_t, 16> administrators_sid = {1,  2, 0, 0, 0,    0, 0, 5,
                                                           32, 0, 0, 0, 0x20, 2, 0, 0};
  constexpr std::size_t kHeader = 20;
  constexpr std::size_t kAclHeader = 8;
  constexpr std::size_t kAceHeader = 8;
  constexpr std::uint32_t kKeyAllAccess = 0x000F003F;
  constexpr std::uint8_t kContainerInherit = 0x02;

  const std::size_t system_ace = kAceHeader + system_sid.size();
  const std::size_t administrators_ace = kAceHeader + administrators_sid.size();
  const std::size_t acl_size = kAclHeader + system_ace + administrators_ace;
  const std::size_t dacl_at = kHeader;
  const std::size_t owner_at = dacl_at + acl_size;
  const std::size_t group_at = owner_at + administrators_sid.size();

  std::vector<std::uint8_t> sd(group_at + system_sid.size());
  ByteWriter w(sd);
  w.U8(0, 1);                 // revision
  w.U16(2, 0x8000 | 0x0004);  // self-relative, DACL present
  w.U32(4, static_cast<std::uint32_t>(owner_at));
  w.U32(8, static_cast<std::uint32_t>(group_at));
  w.U32(12, 0);  // no SACL
  w.U32(16, static_cast<std::uint32_t>(dacl_at));

  w.U8(dacl_at, 2);  // ACL revision
  w.U16(dacl_at + 2, static_cast<std::uint16_t>(acl_size));
  w.U16(dacl_at + 4, 2);  // ACE count
  std::size_t ace = dacl_at + kAclHeader;
  for (std::span<const std::uint8_t> sid : {std::span<const std::uint8_t>(system_sid),
                                            std::span<const std::uint8_t>(administrators_sid)}) {
    w.U8(ace, 0);  // access allowed
    w.U8(ace + 1, kContainerInherit);
    w.U16(ace + 2, static_cast<std::uint16_t>(kAceHeader + sid.size()));
    w.U32(ace + 4, kKeyAllAccess);
    w.Bytes(ace + kAceHeader, sid);
    ace += kAceHeader + sid.size();
  }
  w.Bytes(owner_at, administrators_sid);
  w.Bytes(group_at, system_sid);
  return sd;
}

std::vector<std::uint8_t> BlankHiveBytes(const std::filesystem::path& file) {
  std::vector<std::uint8_t> hive(base_block::kSize + kBinSize);
  ByteWriter w(hive);
  const std::uint64_t now = FileTimeNow();

  const std::size_t nk_size = RoundToCell(0x50 + kRootName.size());
  const std::vector<std::uint8_t> sd = SecurityDescriptor();
  const std::size_t sk_size = RoundToCell(0x18 + sd.size());
  const std::uint32_t sk_cell = kRootCell + static_cast<std::uint32_t>(nk_size);
  const std::uint32_t free_cell = sk_cell + static_cast<std::uint32_t>(sk_size);

  base_block::WriteNewPrimary(std::span(hive).first(base_block::kSize),
                              {.root_cell = kRootCell,
                               .bins_size = static_cast<std::uint32_t>(kBinSize),
                               .last_written = now,
                               .file_name = file.filename().native()});

  // The one hive bin.
  const std::size_t bin = base_block::kSize;
  w.Text(bin + 0x00, "hbin");
  w.U32(bin + 0x04, 0);  // offset of this bin
  w.U32(bin + 0x08, kBinSize);
  w.U64(bin + 0x14, now);

  // Root key cell. Allocated cells have a negative size.
  const std::size_t nk = bin + kRootCell;
  w.U32(nk + 0x00, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nk_size)));
  w.Text(nk + 0x04, "nk");
  w.U16(nk + 0x06, kRootKeyFlags);
  w.U64(nk + 0x08, now);
  w.U32(nk + 0x14, kNoCell);  // parent
  w.U32(nk + 0x20, kNoCell);  // subkey list
  w.U32(nk + 0x24, kNoCell);  // volatile subkey list
  w.U32(nk + 0x2C, kNoCell);  // value list
  w.U32(nk + 0x30, sk_cell);
  w.U32(nk + 0x34, kNoCell);  // class name
  w.U16(nk + 0x4C, static_cast<std::uint16_t>(kRootName.size()));
  w.Text(nk + 0x50, kRootName);

  // Security cell: the only one, so its list links point to itself.
  const std::size_t sk = bin + sk_cell;
  w.U32(sk + 0x00, static_cast<std::uint32_t>(-static_cast<std::int32_t>(sk_size)));
  w.Text(sk + 0x04, "sk");
  w.U32(sk + 0x08, sk_cell);
  w.U32(sk + 0x0C, sk_cell);
  w.U32(sk + 0x10, 1);  // reference count: the root key
  w.U32(sk + 0x14, static_cast<std::uint32_t>(sd.size()));
  w.Bytes(sk + 0x18, sd);

  // The rest of the bin is one free cell.
  w.U32(bin + free_cell, static_cast<std::uint32_t>(kBinSize - free_cell));
  return hive;
}

[[noreturn]] void Fail(const std::filesystem::path& file, const char* what, int error) {
  throw std::runtime_error("Cannot write the blank registry hive " + file.string() + ": " + what +
                           ": " + std::strerror(error));
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& file) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(file, "write failed", errno);
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

}  // namespace

void WriteBlankHive(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> hive = BlankHiveBytes(file);

  // Written beside the target and renamed over it, so a reader never sees half a hive.
  std::filesystem::path partial = file;
  partial += ".partial";
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) Fail(file, "cannot create it", errno);
  try {
    WriteAll(fd, hive, file);
    if (::fsync(fd) != 0) Fail(file, "fsync failed", errno);
  } catch (...) {
    ::close(fd);
    ::unlink(partial.c_str());
    throw;
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(partial.c_str());
    Fail(file, "close failed", error);
  }
  if (::rename(partial.c_str(), file.c_str()) != 0) {
    const int error = errno;
    ::unlink(partial.c_str());
    Fail(file, "cannot put it in place", error);
  }
}

}  // namespace harnlode
