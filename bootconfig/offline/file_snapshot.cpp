#include "offline/file_snapshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "offline/file_descriptor.h"
#include "offline/hive_folder.h"

namespace harnlode {
namespace {

// FNV-1a over 64-bit words, so that a log of several MiB costs little: a change by another
// program is not chosen to collide, so a plain digest is enough. Pieces are read whole, so the
// words fall the same way on every reading.
constexpr std::uint64_t kDigestStart = 0xCBF29CE484222325;
constexpr std::uint64_t kDigestPrime = 0x100000001B3;

std::uint64_t Digest(std::uint64_t digest, std::span<const std::uint8_t> bytes) {
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, 8);
    digest = (digest ^ word) * kDigestPrime;
  }
  for (; at < bytes.size(); ++at) digest = (digest ^ bytes[at]) * kDigestPrime;
  return digest;
}

}  // namespace

FileSnapshot::FileSnapshot(const struct stat& status, std::span<const std::uint8_t> content)
    : present_(true),
      status_(status),
      covered_(content.size()),
      digest_(Digest(kDigestStart, content)) {}

FileSnapshot FileSnapshot::Take(int folder, const std::string& name, const FileSnapshot& like) {
  struct stat status = {};
  const FileDescriptor file = OpenRegularFile(folder, name, &status);
  if (file.get() >= 0) return Of(file.get(), like);
  if (errno == ENOENT) return {};
  FileSnapshot other;
  other.present_ = true;
  if (errno == EINVAL || errno == ELOOP) other.status_ = status;
  return other;
}

FileSnapshot FileSnapshot::Of(int file, const FileSnapshot& like) {
  const std::size_t covered = like.covered_;
  FileSnapshot snapshot;
  snapshot.present_ = true;
  if (::fstat(file, &snapshot.status_) != 0) return snapshot;
  // Read in pieces: a log may be several MiB, and only its digest is kept.
  std::array<std::uint8_t, 64 * 1024> piece;
  std::uint64_t digest = kDigestStart;
  std::size_t done = 0;
  while (done < covered) {
    // Each piece is filled whole before it is digested, as the words must fall alike.
    const std::size_t wanted = std::min(piece.size(), covered - done);
    const ssize_t got = ReadAt(file, std::span(piece).first(wanted), static_cast<off_t>(done));
    if (got <= 0) break;
    digest = Digest(digest, std::span(piece).first(static_cast<std::size_t>(got)));
    done += static_cast<std::size_t>(got);
    if (static_cast<std::size_t>(got) < wanted) break;
  }
  snapshot.covered_ = done;
  snapshot.digest_ = digest;
  return snapshot;
}

bool FileSnapshot::StillMatches(int folder, const std::string& name) const {
  return Take(folder, name, *this) == *this;
}

bool operator==(const FileSnapshot& a, const FileSnapshot& b) {
  if (a.present_ != b.present_) return false;
  if (!a.present_) return true;
  const struct stat& x = a.status_;
  const struct stat& y = b.status_;
  return x.st_dev == y.st_dev && x.st_ino == y.st_ino && x.st_size == y.st_size &&
         x.st_mtim.tv_sec == y.st_mtim.tv_sec && x.st_mtim.tv_nsec == y.st_mtim.tv_nsec &&
         a.covered_ == b.covered_ && a.digest_ == b.digest_;
}

}  // namespace harnlode
