// Whole files as bytes, for tests that compare, damage or restore them.
#pragma once

#include <filesystem>
#include <string>

namespace harnlode::testing {

// The file's bytes, read in one go (hives are megabytes, read hundreds of times); empty when it
// cannot be opened.
std::string ReadFile(const std::filesystem::path& path);
// Replaces the file's content with `bytes`.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace harnlode::testing
