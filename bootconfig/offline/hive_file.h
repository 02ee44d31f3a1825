// A registry hive file loaded into memory with hivex, changed there and saved atomically.
#pragma once

#include <hivex.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

namespace harnlode {

class HiveFile {
 public:
  // Loads the hive. Throws EInstallationError, naming the file, when it cannot be read or is not
  // an intact hive.
  explicit HiveFile(std::filesystem::path path);
  ~HiveFile();
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  hive_h* Handle() const { return hive_; }
  const std::filesystem::path& Path() const { return path_; }

  // Throws EInstallationError, telling why, when the last writer did not finish: the two sequence
  // numbers differ, and the rest of that write may only be in the transaction logs, which this
  // program does not read. Such a hive may be read but not changed.
  void RequireComplete() const;

  // Replaces the file with the hive's content: a new file beside it, flushed to disk, renamed
  // over it, the folder flushed. Whatever happens, the file holds either the old hive or the new.
  // Throws EInstallationError when RequireComplete() does or the file cannot be replaced.
  void Save();

  // Throws EInstallationError telling that the hive is damaged; for failures found while reading.
  [[noreturn]] void ThrowDamaged() const;

 private:
  std::filesystem::path path_;
  hive_h* hive_ = nullptr;
  bool complete_ = true;
  // What the file was when loaded, to notice others' changes: its times have a coarse
  // resolution, but every write of a hive changes the sequence numbers and checksum in its header.
  struct stat loaded_ = {};
  std::array<unsigned char, 512> loaded_header_ = {};
};

}  // namespace harnlode
