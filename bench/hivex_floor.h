// The least that hivex itself needs for the work of one run, the floor that Harnlode's runs are
// measured against: the 18 USB service keys of ControlSet001 to ControlSet003 looked up, and their
// load group and start type read, or set and written back once.
#pragma once

#include <filesystem>

namespace harnlode::bench {

// Opens the hive read-only, looks up the service keys and reads both values of each. Returns the
// number of values found. Throws std::runtime_error when the hive cannot be opened.
int ReadWithHivex(const std::filesystem::path& hive);

// Opens the hive for writing, looks up the service keys, sets both values of each, and replaces
// the file atomically: a new file beside it, flushed, renamed over it, the folder flushed.
// Returns the number of values set. Throws std::runtime_error on any failure.
int TuneWithHivex(const std::filesystem::path& hive);

// The same for a dirty hive with new-format logs beside it (FILE.LOG1, FILE.LOG2): both logs
// applied in memory with a plain copy of each page and no checks, the result put in a memfd and
// opened through /proc/self/fd/N, read-only for reading; for tuning the result is written back
// over `hive` as above, and the logs are left as they are.
int ReadDirtyWithHivex(const std::filesystem::path& hive);
int TuneDirtyWithHivex(const std::filesystem::path& hive);

// The hive of the installation in `folder`, named as Windows names it.
std::filesystem::path SystemHiveOf(const std::filesystem::path& folder);

}  // namespace harnlode::bench
