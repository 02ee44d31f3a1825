#include "hive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "installation_error.h"

namespace harnlode {
namespace {

constexpr std::size_t kBaseBlockSize = 4096;
// Windows refuses hives above 2 GiB; a larger file is not one, and is not read into memory.
constexpr off_t kLargestHive = off_t{2} << 30;

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

std::string SystemError(int error) { return std::strerror(error); }

[[noreturn]] void Fail(const std::string& message) { throw EInstallationError(message); }

// Closes the descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::uint32_t LittleEndian32(const unsigned char* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

HiveFile::HiveFile(std::filesystem::path path, bool for_changes) : path_(std::move(path)) {
  const Descriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    Fail("The registry hive " + Quoted(path_) + " cannot be read (" + SystemError(errno) +
         "). Run Harnlode as a user who may read it.");
  }
  if (::fstat(file.get(), &loaded_) != 0 || !S_ISREG(loaded_.st_mode)) {
    Fail("The registry hive " + Quoted(path_) +
         " is not a regular file. Give the folder of a Windows installation.");
  }
  std::array<unsigned char, kBaseBlockSize> base{};
  if (loaded_.st_size > kLargestHive ||
      ::pread(file.get(), base.data(), base.size(), 0) != static_cast<ssize_t>(base.size()) ||
      std::memcmp(base.data(), "regf", 4) != 0) {
    Fail("The file " + Quoted(path_) +
         " is not a Windows registry hive, or it is truncated. Check that the folder holds an "
         "intact Windows installation.");
  }
  complete_ = LittleEndian32(&base[4]) == LittleEndian32(&base[8]);

  writable_ = for_changes && complete_;
  hive_ = Open(writable_ ? HIVEX_OPEN_WRITE : 0);
}

hive_h* HiveFile::Open(int flags) const {
  errno = 0;
  hive_h* hive = hivex_open(path_.c_str(), flags);
  if (hive == nullptr) {
    Fail("The registry hive " + Quoted(path_) + " is damaged and cannot be read (" +
         SystemError(errno) + "). Repair it with Windows, or restore it from a backup.");
  }
  return hive;
}

void HiveFile::RequireUnchanged() const {
  struct stat now = {};
  if (::stat(path_.c_str(), &now) != 0 || !SameFile(now, loaded_)) {
    Fail("The registry hive " + Quoted(path_) +
         " was changed by another program while Harnlode was working on it, so Harnlode did "
         "not save its changes. Run it again.");
  }
}

void HiveFile::MakeWritable() {
  if (writable_) return;
  RequireComplete();
  RequireUnchanged();
  // The mapping goes first, so that the hive is in memory once, never twice.
  hivex_close(hive_);
  hive_ = nullptr;
  hive_ = Open(HIVEX_OPEN_WRITE);
  writable_ = true;
  // Checked again after the new open: a file changed during it shows here, one changed after it
  // when saving.
  RequireUnchanged();
}

HiveFile::~HiveFile() {
  // Null only after MakeWritable() failed to open the file again.
  if (hive_ != nullptr) hivex_close(hive_);
}

void HiveFile::ThrowDamaged() const {
  Fail("The registry hive " + Quoted(path_) + " is damaged (" + SystemError(errno) +
       "). Repair it with Windows, or restore it from a backup.");
}

void HiveFile::RequireComplete() const {
  if (complete_) return;
  Fail("The registry hive " + Quoted(path_) +
       " was not completely written the last time Windows used it (its two sequence numbers "
       "differ), so Harnlode does not change it. Start that Windows once, shut it down "
       "normally, then try again.");
}

void HiveFile::Save() {
  RequireComplete();
  if (!writable_) throw std::logic_error("A registry hive opened for reading only is saved");
  RequireUnchanged();

  const std::filesystem::path folder = path_.parent_path();
  std::string temporary =
      (folder / ("." + path_.filename().string() + ".harnlode-XXXXXX")).string();
  const Descriptor created(::mkstemp(temporary.data()));
  auto fail_saving = [&](const std::string& what, int error) {
    ::unlink(temporary.c_str());
    Fail("The changes could not be saved to the registry hive " + Quoted(path_) + ": " + what +
         " (" + SystemError(error) +
         "). The hive was left as it was; free some space or check "
         "the folder's rights, then run again.");
  };
  if (created.get() < 0) {
    Fail("The changes could not be saved to the registry hive " + Quoted(path_) +
         ": no new file can be made in " + Quoted(folder) + " (" + SystemError(errno) +
         "). The hive was left as it was; check the folder's rights, then run again.");
  }
  // The new file takes the old one's place, so it takes its permissions and, where allowed, owner.
  if (::fchmod(created.get(), loaded_.st_mode & 07777) != 0) fail_saving("setting rights", errno);
  if (::fchown(created.get(), loaded_.st_uid, loaded_.st_gid) != 0 && errno != EPERM) {
    fail_saving("setting the owner", errno);
  }
  errno = 0;
  if (hivex_commit(hive_, temporary.c_str(), 0) != 0) fail_saving("writing", errno);
  {
    const Descriptor written(::open(temporary.c_str(), O_RDONLY | O_CLOEXEC));
    if (written.get() < 0 || ::fsync(written.get()) != 0) fail_saving("flushing", errno);
  }
  if (::rename(temporary.c_str(), path_.c_str()) != 0) fail_saving("replacing", errno);
  const Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() < 0 || ::fsync(directory.get()) != 0) {
    Fail("The registry hive " + Quoted(path_) + " was saved, but its folder could not be " +
         "flushed to disk (" + SystemError(errno) +
         "); a power failure now could lose the change.");
  }
  ::stat(path_.c_str(), &loaded_);
}

}  // namespace harnlode
