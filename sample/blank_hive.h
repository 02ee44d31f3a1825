// An empty registry hive file: a root key and nothing else. hivex edits hives but cannot create
// one, so every hive that Harnlode makes starts from this file.
#pragma once

#include <filesystem>

namespace harnlode {

// Writes (or replaces) `file` with an empty hive whose root key "ROOT" carries a security
// descriptor that hivex can share with new keys. The file appears whole or not at all. Throws
// std::runtime_error naming the file when it cannot be written.
void WriteBlankHive(const std::filesystem::path& file);

}  // namespace harnlode
