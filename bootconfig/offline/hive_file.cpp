#include "hive_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "installation_error.h"
#include "offline/base_block.h"
#include "offline/folder_lock.h"

namespace harnlode {
namespace {

// Windows refuses hives above 2 GiB; a larger file is not one, and is not read into memory.
constexpr off_t kLargestHive = off_t{2} << 30;
// How long a save waits for another program's save into the same folder to end.
constexpr std::chrono::seconds kSavePatience(10);
// The new hive is written to ".SYSTEM.harnlode-XXXXXX" beside "SYSTEM".
constexpr char kTemporaryInfix[] = ".harnlode-";
constexpr std::size_t kTemporaryUniquePart = 6;  // mkstemp's XXXXXX

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

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Reads what tells one state of the file from another; false when it cannot be read.
template <std::size_t kHeaderSize>
bool ReadState(const std::filesystem::path& path, struct stat* status,
               std::array<unsigned char, kHeaderSize>* header) {
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return file.get() >= 0 && ::fstat(file.get(), status) == 0 &&
         ::pread(file.get(), header->data(), header->size(), 0) ==
             static_cast<ssize_t>(header->size());
}

// Removes the temporary files that saves which never ended left in the folder: regular files named
// as ours are, with nothing else changed. Only safe while holding the folder's lock.
void RemoveDeadTemporaries(int folder, const std::string& prefix) {
  const int listed = ::dup(folder);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (entries == nullptr) {
    ::close(listed);
    return;
  }
  while (const dirent* entry = ::readdir(entries)) {
    const std::string_view name = entry->d_name;
    struct stat found = {};
    if (name.size() == prefix.size() + kTemporaryUniquePart && name.starts_with(prefix) &&
        ::fstatat(folder, entry->d_name, &found, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(found.st_mode)) {
      ::unlinkat(folder, entry->d_name, 0);  // a failure leaves a file that harms no one
    }
  }
  ::closedir(entries);
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
  std::array<std::uint8_t, base_block::kSize> base{};
  if (loaded_.st_size > kLargestHive ||
      ::pread(file.get(), base.data(), base.size(), 0) != static_cast<ssize_t>(base.size()) ||
      !base_block::HasSignature(base)) {
    Fail("The file " + Quoted(path_) +
         " is not a Windows registry hive, or it is truncated. Check that the folder holds an "
         "intact Windows installation.");
  }
  // hivex reads a hive cut short after any whole bin as if nothing were missing; a tuning run
  // would then write the rest of it away for good.
  const off_t expected_size = base_block::kSize + off_t{base_block::BinsSize(base)};
  if (loaded_.st_size < expected_size) {
    Fail("The registry hive " + Quoted(path_) + " is damaged: it is truncated, " +
         std::to_string(expected_size - loaded_.st_size) + " of its " +
         std::to_string(expected_size) +
         " bytes are missing. Restore it from a backup, or repair it with Windows.");
  }
  complete_ = base_block::PrimarySequence(base) == base_block::SecondarySequence(base);
  std::copy_n(base.begin(), loaded_header_.size(), loaded_header_.begin());

  writable_ = for_changes && complete_;
  hive_ = Open(writable_ ? HIVEX_OPEN_WRITE : 0);
}

hive_h* HiveFile::Open(int flags) const {
  errno = 0;
  hive_h* hive = hivex_open(path_.c_str(), flags);
  if (hive == nullptr) {
    const int error = errno;
    RequireUnchanged();  // a file that another program is writing is not damaged
    Fail("The registry hive " + Quoted(path_) + " is damaged and cannot be read (" +
         SystemError(error) + "). Repair it with Windows, or restore it from a backup.");
  }
  return hive;
}

void HiveFile::RequireUnchanged() const {
  struct stat now = {};
  decltype(loaded_header_) header_now = {};
  if (!ReadState(path_, &now, &header_now) || !SameFile(now, loaded_) ||
      header_now != loaded_header_) {
    Fail("The registry hive " + Quoted(path_) +
         " was changed by another program while Harnlode was working on it, so Harnlode "
         "stopped without saving anything. Run it again.");
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
  const int error = errno;
  RequireUnchanged();
  errno = error;
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
  const std::filesystem::path folder = path_.parent_path();
  // Other copies of this program take turns: between the check for others' changes and the
  // rename, no other copy replaces the hive, and every temporary file found is a dead one's.
  const FolderLock lock(folder, kSavePatience);
  if (lock.GetState() == FolderLock::State::kBusy) {
    Fail("The registry hive " + Quoted(path_) +
         " is being saved by another program, so Harnlode did not save its changes. Wait for "
         "that program to end, then run again.");
  }
  RequireUnchanged();
  const std::string temporary_prefix = "." + path_.filename().string() + kTemporaryInfix;
  if (lock.GetState() == FolderLock::State::kHeld) {
    RemoveDeadTemporaries(lock.Descriptor(), temporary_prefix);
  }

  std::string temporary = (folder / (temporary_prefix + "XXXXXX")).string();
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
  const int unflushed = lock.Descriptor() < 0             ? lock.Error()
                        : ::fsync(lock.Descriptor()) != 0 ? errno
                                                          : 0;
  if (unflushed != 0) {
    Fail("The registry hive " + Quoted(path_) + " was saved, but its folder could not be " +
         "flushed to disk (" + SystemError(unflushed) +
         "); a power failure now could lose the change.");
  }
  ReadState(path_, &loaded_, &loaded_header_);
}

}  // namespace harnlode
