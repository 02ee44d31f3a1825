// A registry hive file opened with hivex: read where it lies, loaded into memory for the first
// change, changed there and saved atomically.
#pragma once

#include <hivex.h>

#include <filesystem>

#include "offline/cut_short_mapping_guard.h"
#include "offline/file_snapshot.h"

namespace harnlode {

class HiveFile {
 public:
  // Opens the hive for reading only: hivex maps the file instead of copying it, so a run that only
  // reads costs no more than reading it needs. With `for_changes`, opens it as MakeWritable()
  // does, at once, unless it may not be changed (see RequireComplete). Throws EInstallationError,
  // naming the file, when it cannot be read or is not an intact hive.
  explicit HiveFile(std::filesystem::path path, bool for_changes = false);
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  // For reading; node handles stay valid across MakeWritable().
  hive_h* Handle() const { return hive_; }
  bool Writable() const { return writable_; }
  const std::filesystem::path& Path() const { return path_; }

  // Throws EInstallationError, telling why, when the last writer did not finish: the two sequence
  // numbers differ, and the rest of that write may only be in the transaction logs, which this
  // program does not read. Such a hive may be read but not changed.
  void RequireComplete() const;

  // Opens the hive again, for writing: hivex reads the whole file into memory, where changes are
  // made until Save(). Does nothing when it is writable already. Throws EInstallationError when
  // RequireComplete() does, or when the file is no longer the one first read, since the handles
  // given out so far would then point into another hive; after that failure the object may only
  // be destroyed.
  void MakeWritable();

  // Replaces the file with the hive's content: a new file beside it, flushed to disk, renamed
  // over it, the folder flushed. Whatever happens, the file holds either the old hive or the new.
  // Throws EInstallationError when RequireComplete() does, the hive is not writable, or the file
  // cannot be replaced.
  void Save();

  // Throws EInstallationError telling that the hive is damaged; for failures found while reading.
  // A file that another program changed meanwhile is told as changed instead: what was read of it
  // may be a mix of both versions.
  [[noreturn]] void ThrowDamaged() const;

  // Throws EInstallationError when the file is no longer the one first read: replaced, or written
  // in place. What a run read from a hive opened for reading only is sound when it is not.
  void RequireUnchanged() const;

 private:
  hive_h* Open(int flags) const;

  CutShortMappingGuard guard_;  // the hive opened for reading is a mapping of the file
  std::filesystem::path path_;
  hive_h* hive_ = nullptr;
  bool writable_ = false;
  bool complete_ = true;
  FileSnapshot loaded_;  // what the file was when loaded, to notice others' changes
};

}  // namespace harnlode
