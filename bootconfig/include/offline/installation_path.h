// Finds files of a Windows installation mounted in a folder. Windows matches names without regard
// to case, so each component of a path is matched the same way here.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace harnlode {

struct InstallationPath {
  // kUnreadable: a folder on the way could not be looked into, so whether the object is there is
  // not known.
  enum class Status { kFound, kMissing, kOutside, kUnreadable };
  Status status = Status::kMissing;
  // With kFound: the object's real path, every link resolved. With kUnreadable: the folder or
  // entry that could not be read, and why.
  std::filesystem::path path;
  std::error_code error;
};

// Looks up `relative` (components separated by '/' or '\\') below `folder`. A path that a link
// leads out of the folder is kOutside, never kFound.
InstallationPath FindInInstallation(const std::filesystem::path& folder, std::string_view relative);

// Why `path` could not be looked into (`error`), and what to do, as a message's first sentences.
std::string CannotLookInto(const std::filesystem::path& path, const std::error_code& error);

}  // namespace harnlode
