#include "offline/recovered_hive.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <span>

#include "installation_error.h"
#include "offline/base_block.h"
#include "offline/file_descriptor.h"
#include "offline/installation_messages.h"

namespace harnlode {
namespace {

// Windows keeps logs far smaller than the hive; one above 2 GiB is not read into memory.
constexpr off_t kLargestLog = off_t{2} << 30;

bool ReadAll(int fd, std::span<std::uint8_t> into) {
  const ssize_t got = ReadAt(fd, into, 0);
  if (got >= 0 && static_cast<std::size_t>(got) < into.size()) errno = EIO;  // cut short meanwhile
  return got >= 0 && static_cast<std::size_t>(got) == into.size();
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

// A log's bytes and what the file was when they were read; no bytes for a log that is not
// there or is no regular file.
struct ReadLog {
  std::vector<std::uint8_t> bytes;
  FileSnapshot snapshot;
};

ReadLog ReadLogFile(const HiveLogPaths& paths, const std::filesystem::path& path,
                    const std::filesystem::path& hive) {
  if (path.empty()) return {};
  auto fail = [&](int error) {
    throw EInstallationError("The transaction log " + Quoted(path) + " of the registry hive " +
                             Quoted(hive) + " cannot be read (" + std::strerror(error) +
                             "), and the hive needs it to be brought up to date. Run Harnlode as "
                             "a user who may read it, or check the disk.");
  };
  // Without blocking, so that a named pipe in a log's place cannot hold the run up.
  const int fd =
      ::open(paths.AccessPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ENOENT) return {};  // gone since it was found
    fail(errno);
  }
  ReadLog log;
  struct stat status = {};
  bool read = ::fstat(fd, &status) == 0;
  if (read && S_ISREG(status.st_mode)) {
    if (status.st_size > kLargestLog) {
      errno = EFBIG;
      read = false;
    } else {
      log.bytes.resize(static_cast<std::size_t>(status.st_size));
      read = ReadAll(fd, log.bytes);
    }
  }
  const int error = errno;
  ::close(fd);
  if (!read) fail(error);
  log.snapshot = FileSnapshot(status, log.bytes);
  return log;
}

}  // namespace

RecoveredHive::RecoveredHive(int primary, std::size_t size, const std::filesystem::path& hive,
                             const HiveLogPaths& paths) {
  std::vector<std::uint8_t> image(size);
  if (!ReadAll(primary, image)) {
    throw EInstallationError(UnreadableHive(hive, errno));
  }
  {
    // Freed before hivex opens the result: a run holds the hive about once, and the logs only
    // while they are applied.
    ReadLog log = ReadLogFile(paths, paths.log, hive);
    ReadLog log1 = ReadLogFile(paths, paths.log1, hive);
    ReadLog log2 = ReadLogFile(paths, paths.log2, hive);
    recovery_ = RecoverHive(image, {log.bytes, log1.bytes, log2.bytes});
    logs_ = {{paths.AccessPath(paths.log), log.snapshot},
             {paths.AccessPath(paths.log1), log1.snapshot},
             {paths.AccessPath(paths.log2), log2.snapshot}};
  }
  if (!Recovered()) return;

  // hivex's commit sets both sequence numbers to the primary one plus one, the bins size to what
  // it holds and the checksum afresh, and keeps the rest of the base block. From both set to the
  // highest number of the logs, the written hive is clean and above every entry they hold.
  const std::span block = std::span(image).first(base_block::kSize);
  highest_ = std::max({recovery_.highest_log_sequence, base_block::PrimarySequence(block),
                       base_block::SecondarySequence(block)});
  base_block::SetSequences(block, highest_, highest_);
  base_block::UpdateChecksum(block);

  image_ = ::memfd_create("harnlode-recovered-hive", MFD_CLOEXEC);
  if (image_ < 0 || !WriteAll(image_, image)) {
    const int error = errno;
    Release();
    errno = error;
    throw EInstallationError("The registry hive " + Quoted(hive) +
                             " was brought up to date from its transaction logs, but there is no "
                             "memory to hold the result (" +
                             std::strerror(errno) + "). Close other programs, then run again.");
  }
}

RecoveredHive::~RecoveredHive() { Release(); }

std::string RecoveredHive::ImagePath() const { return "/proc/self/fd/" + std::to_string(image_); }

void RecoveredHive::Release() {
  if (image_ >= 0) ::close(image_);
  image_ = -1;
}

bool RecoveredHive::LogsUnchanged() const {
  return std::all_of(logs_.begin(), logs_.end(), [](const auto& log) {
    return log.first.empty() || log.second.StillMatches(log.first);
  });
}

}  // namespace harnlode
