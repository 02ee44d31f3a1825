// A registry hive file opened with hivex: read where it lies, loaded into memory for the first
// change, changed there and saved atomically. A hive that its last writer did not finish is read
// as Windows would load it, brought up to date from its transaction logs in memory, and saved,
// when changed, as a complete hive.
#pragma once

#include <hivex.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "offline/cut_short_mapping_guard.h"
#include "offline/file_descriptor.h"
#include "offline/file_snapshot.h"
#include "offline/hive_location.h"
#include "offline/recovered_hive.h"

namespace harnlode {

class HiveFile {
 public:
  // Opens the hive for reading only: hivex maps the file (or the recovered hive in memory) instead
  // of copying it, so a run that only reads costs no more than reading it needs. With
  // `for_changes`, opens it as MakeWritable() does, at once, unless it may not be changed (see
  // RequireComplete). Throws EInstallationError, naming the file, when it or a log it needs
  // cannot be read or it is not an intact hive.
  explicit HiveFile(const HiveLocation& location, bool for_changes = false);
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  // For reading; node handles stay valid across MakeWritable().
  hive_h* Handle() const { return hive_; }
  bool Writable() const { return writable_; }
  const std::filesystem::path& Path() const { return path_; }
  const HiveLocation& Location() const { return location_; }
  // What the saves found beside the hive and left alone, in English sentences.
  const std::vector<std::string>& Notes() const { return notes_; }

  // Throws EInstallationError, telling why, when the last writer did not finish and no
  // transaction log brings the hive up to date, when its logs hold changes that cannot be
  // applied, or when it cannot be numbered above them. Such a hive may be read, not changed.
  void RequireComplete() const;
  // That logged changes could not be applied, so the hive was read without them, in English
  // sentences; "" when there were none, or once RequireComplete() has refused the hive for them.
  const std::string& RecoveryNote() const { return recovery_note_; }

  // Opens the hive again, for writing: hivex reads the whole file into memory, where changes are
  // made until Save(). Does nothing when it is writable already. Throws EInstallationError when
  // RequireComplete() does, or when the file is no longer the one first read, since the handles
  // given out so far would then point into another hive; after that failure the object may only
  // be destroyed.
  void MakeWritable();

  // Replaces the file with the hive's content: a new file beside it, flushed to disk, renamed
  // over it, the folder flushed. A recovered hive is written whole, clean; its logs stay as they
  // are, since Windows ignores them beside a clean hive. Whatever happens, the file holds either
  // the old hive or the new. Throws EInstallationError when RequireComplete() does, the hive is not
  // writable, or the file cannot be replaced.
  void Save();

  // Throws EInstallationError telling that the hive is damaged, and `how` when given; for failures
  // found while reading. A file that another program changed meanwhile is told as changed
  // instead: what was read of it may be a mix of both versions. Either way the hive is not saved
  // after it.
  [[noreturn]] void ThrowDamaged(const std::string& how = "") const;

  // Throws EInstallationError when the file, or a log it was recovered from, is no longer the one
  // first read: replaced, or written in place. What a run read from a hive opened for reading only
  // is sound when it is not.
  void RequireUnchanged() const;

 private:
  hive_h* Open(int flags) const;
  [[noreturn]] void ThrowOutOfMemory(off_t size, const HiveLogPaths& logs) const;
  // The name under which hivex opens the file read: its descriptor's own.
  std::string ReadPath() const;
  void CoverMapping();

  CutShortMappingGuard guard_;  // the hive opened for reading is a mapping of the file
  FileDescriptor file_{-1};     // the file read, and after a save the file saved
  std::filesystem::path path_;
  HiveLocation location_;
  std::vector<std::string> notes_;
  hive_h* hive_ = nullptr;
  bool writable_ = false;
  std::string unwritable_;             // why a hive that may be read may not be written, in full
  mutable std::string recovery_note_;  // see RecoveryNote(); a refusal to write tells it instead
  std::unique_ptr<RecoveredHive> recovered_;  // for a hive brought up to date from its logs
  std::string unrecoverable_;     // why a hive that needs its logs could not be brought up to date
  FileSnapshot loaded_;           // what the file was when loaded, to notice others' changes
  mutable bool damaged_ = false;  // found damaged while read: never saved
};

}  // namespace harnlode
