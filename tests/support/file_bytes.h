// Whole files as bytes, for tests that compare, damage or restore them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace harnlode::testing {

// The file's bytes, read in one go (hives are megabytes, read hundreds of times); empty when it
// cannot be opened.
std::string ReadFile(const std::filesystem::path& path);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
// Replaces the file's content with `bytes`.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// The files in `folder`, in the order of their names; for tests with one row per kept file.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder);
// A file's name as a test's name: letters, digits and underscores.
std::string TestNameOf(const std::filesystem::path& file);

}  // namespace harnlode::testing
