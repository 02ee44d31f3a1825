#include "offline/hive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "installation_error.h"
#include "offline/atomic_replacement.h"
#include "offline/base_block.h"
#include "offline/file_descriptor.h"
#include "offline/hive_folder.h"
#include "offline/installation_messages.h"
#include "offline/recovered_hive.h"
#include "offline/unapplied_changes.h"

namespace harnlode {
namespace {

// Every write of a hive changes the sequence numbers and checksum in its header.
constexpr std::size_t kHeaderCompared = base_block::kLogCopySize;
// Windows refuses hives above 2 GiB; a larger file is not one, and is not read into memory.
constexpr off_t kLargestHive = off_t{2} << 30;

}  // namespace

HiveFile::HiveFile(const HiveLocation& location, bool for_changes)
    : path_(location.hive), location_(location) {
  const FileDescriptor file(
      location_.hive_folder->Open(location_.read_name, O_RDONLY | O_NONBLOCK));
  if (file.get() < 0) {
    throw EInstallationError(UnreadableHive(path_, errno));
  }
  struct stat status = {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    throw EInstallationError("The registry hive " + Quoted(path_) +
                             " is not a regular file. Give the folder of a Windows installation.");
  }
  std::array<std::uint8_t, base_block::kSize> base{};
  if (status.st_size > kLargestHive ||
      ReadAt(file.get(), base, 0) != static_cast<ssize_t>(base.size()) ||
      !base_block::HasSignature(base)) {
    throw EInstallationError(
        "The file " + Quoted(path_) +
        " is not a Windows registry hive, or it is truncated. Check that the folder holds an "
        "intact Windows installation.");
  }
  // hivex reads a hive cut short after any whole bin as if nothing were missing; a tuning run
  // would then write the rest of it away for good.
  const off_t expected_size = base_block::kSize + off_t{base_block::BinsSize(base)};
  if (status.st_size < expected_size) {
    throw EInstallationError(
        "The registry hive " + Quoted(path_) + " is damaged: it is truncated, " +
        std::to_string(expected_size - status.st_size) + " of its " +
        std::to_string(expected_size) +
        " bytes are missing. Restore it from a backup, or repair it with Windows.");
  }
  loaded_ = FileSnapshot(status, std::span(base).first(kHeaderCompared));
  if (!base_block::Clean(base)) {
    const HiveLogPaths logs = location.Logs();
    try {
      recovered_ = std::make_unique<RecoveredHive>(
          file.get(), static_cast<std::size_t>(status.st_size), path_, logs);
    } catch (const std::bad_alloc&) {
      ThrowOutOfMemory(status.st_size, logs);
    }
    if (!recovered_->Recovered()) {
      // Read as it is: the best there is to report. Never written, since Windows would then
      // take the hive for complete and lose what is missing for good.
      unrecoverable_ = recovered_->Recovery().problem;
      if (unrecoverable_.empty()) unrecoverable_ = "no transaction log applies to it";
      recovery_note_ = UnappliedChangesNote(path_, recovered_->Recovery());
      recovered_.reset();
    }
  }

  // Written clean, a hive would be numbered above the logged changes that it left out, so that
  // Windows never applied them; and hivex's commit goes one past the highest number there is.
  if (recovered_) {
    recovery_note_ = UnappliedChangesNote(path_, recovered_->Recovery());
    if (!recovery_note_.empty()) {
      unwritable_ = UnappliedChangesRefusal(path_, recovered_->Recovery());
    } else if (recovered_->HighestSequence() == UINT32_MAX) {
      unwritable_ = SequenceWrapRefusal(path_);
    }
  } else if (base_block::Clean(base) && base_block::PrimarySequence(base) == UINT32_MAX) {
    unwritable_ = SequenceWrapRefusal(path_);
  }
  writable_ = for_changes && unrecoverable_.empty() && unwritable_.empty();
  hive_ = Open(writable_ ? HIVEX_OPEN_WRITE : 0);
  if (!writable_) CoverMapping();
  // hivex holds a copy of its own now.
  if (writable_ && recovered_) recovered_->Release();
}

void HiveFile::CoverMapping() {
  // hivex maps the file, or the recovered hive's memory file, that it opened.
  struct stat mapped = loaded_.Status();
  if (recovered_ && ::stat(recovered_->ImagePath().c_str(), &mapped) != 0) return;
  guard_.Cover(mapped.st_dev, mapped.st_ino);
}

hive_h* HiveFile::Open(int flags) const {
  errno = 0;
  // A recovered hive is read from memory, never from the file.
  hive_h* hive =
      hivex_open(recovered_ ? recovered_->ImagePath().c_str() : ReadPath().c_str(), flags);
  if (hive == nullptr) {
    const int error = errno;
    RequireUnchanged();  // a file that another program is writing is not damaged
    if (error == ENOMEM) ThrowOutOfMemory(loaded_.Status().st_size, {});
    throw EInstallationError("The registry hive " + Quoted(path_) +
                             " is damaged and cannot be read (" + std::strerror(error) +
                             "). Repair it with Windows, or restore it from a backup.");
  }
  return hive;
}

void HiveFile::ThrowOutOfMemory(off_t size, const HiveLogPaths& logs) const {
  std::string what = "the registry hive " + Quoted(path_) + " (" + std::to_string(size) + " bytes)";
  for (const std::filesystem::path& log : {logs.log, logs.log1, logs.log2}) {
    std::error_code error;
    const std::uintmax_t log_size = log.empty() ? 0 : std::filesystem::file_size(log, error);
    if (!log.empty() && !error) {
      what += " and its log " + Quoted(log) + " (" + std::to_string(log_size) + " bytes)";
    }
  }
  throw EInstallationError("There is not enough memory to read " + what +
                           ". Close other programs, or run Harnlode on a machine with more "
                           "memory, then try again.");
}

void HiveFile::RequireUnchanged() const {
  if (!loaded_.StillMatches(ReadPath()) || (recovered_ && !recovered_->LogsUnchanged())) {
    throw EInstallationError(
        "The registry hive " + Quoted(path_) +
        " was changed by another program while Harnlode was working on it, so Harnlode "
        "stopped without saving anything. Run it again.");
  }
}

void HiveFile::MakeWritable() {
  if (writable_) return;
  RequireComplete();
  RequireUnchanged();
  // The mapping goes first, so that the hive is in memory once, never twice.
  guard_.Uncover();
  hivex_close(hive_);
  hive_ = nullptr;
  hive_ = Open(HIVEX_OPEN_WRITE);
  writable_ = true;
  if (recovered_) recovered_->Release();
  // Checked again after the new open: a file changed during it shows here, one changed after it
  // when saving.
  RequireUnchanged();
}

HiveFile::~HiveFile() {
  // Null only after MakeWritable() failed to open the file again.
  guard_.Uncover();
  if (hive_ != nullptr) hivex_close(hive_);
}

void HiveFile::ThrowDamaged() const {
  const int error = errno;
  damaged_ = true;
  RequireUnchanged();
  errno = error;
  throw EInstallationError("The registry hive " + Quoted(path_) + " is damaged (" +
                           std::strerror(errno) +
                           "). Repair it with Windows, or restore it from a backup.");
}

void HiveFile::RequireComplete() const {
  if (!unwritable_.empty()) {
    recovery_note_.clear();  // the refusal tells it
    throw EInstallationError(unwritable_);
  }
  if (unrecoverable_.empty()) return;
  throw EInstallationError(
      "The registry hive " + Quoted(path_) +
      " was not completely written the last time Windows used it, and the rest of that write "
      "cannot be brought back from its transaction logs: " +
      unrecoverable_ +
      ". Harnlode does not change it, since Windows would then lose what is missing. Start that "
      "Windows once and " +
      std::string(kShutDownFully) + ", then try again.");
}

void HiveFile::Save() {
  RequireComplete();
  if (!writable_) throw std::logic_error("A registry hive opened for reading only is saved");
  // hivex would write back what it made of the damaged cells, around the changes.
  if (damaged_) {
    throw EInstallationError("The registry hive " + Quoted(path_) +
                             " is damaged, so Harnlode saved none of the changes it made before "
                             "it found that out; the hive was left as it was.");
  }
  AtomicReplacement replacement(location_.hive_folder, location_.name);
  RequireUnchanged();
  replacement.Replace(
      [&](const std::string& temporary) { return hivex_commit(hive_, temporary.c_str(), 0) == 0; },
      loaded_.Status());
  // A hive read from a spare is in its place now; the spare goes once it is no newer.
  location_.read_name = location_.name;
  path_ = location_.hive_folder->Path() / location_.name;
  loaded_ = FileSnapshot::Take(ReadPath(), loaded_);
  notes_ = replacement.Notes();
}

std::string HiveFile::ReadPath() const {
  return location_.hive_folder->AccessPath(location_.read_name);
}

}  // namespace harnlode
