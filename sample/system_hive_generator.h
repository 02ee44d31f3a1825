// Realistic SYSTEM hives of a chosen size, for benchmarks and trials on hives as large as real
// ones: three control sets, each with some 400 services (the six USB services among them, not yet
// tuned) and Control and Enum subtrees that grow with the size asked for.
#pragma once

#include <cstdint>
#include <filesystem>

namespace harnlode {

// Writes (or replaces) `hive_file` with a SYSTEM hive of about `approximate_bytes`, but never less
// than its fixed part of some 3.5 MiB (half of it space that hivex freed while adding 400
// subkeys to each Services key, as real hives hold free space too). The keys and values depend
// only on `seed`; the times stored with them are those of writing. Throws std::runtime_error
// naming the file when it cannot be written.
void GenerateSystemHive(const std::filesystem::path& hive_file, std::uint64_t approximate_bytes,
                        std::uint32_t seed = 1);

// Makes an installation as MakeSampleInstallation does, but with a generated SYSTEM hive.
void MakeGeneratedInstallation(const std::filesystem::path& folder, std::uint64_t approximate_bytes,
                               std::uint32_t seed = 1);

}  // namespace harnlode
