// A failure of the Windows installation being worked on, rather than of a registry operation: a
// missing or damaged hive file, a write-back that did not reach the disk. Its message is a
// complete English sentence that names the file or folder and says what to do.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace harnlode {

class EInstallationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file or folder as those messages name it: its path between double quotes.
inline std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

}  // namespace harnlode
