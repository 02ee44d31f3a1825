// Finds files of a Windows installation mounted in a folder. Windows matches names without regard
// to case, so each component of a path is matched the same way here.
#pragma once

#include <filesystem>
#include <string_view>

namespace harnlode {

struct InstallationPath {
  enum class Status { kFound, kMissing, kOutside };
  Status status = Status::kMissing;
  // With kFound: the object's real path, every link resolved.
  std::filesystem::path path;
};

// Looks up `relative` (components separated by '/' or '\\') below `folder`. A path that a link
// leads out of the folder is kOutside, never kFound.
InstallationPath FindInInstallation(const std::filesystem::path& folder, std::string_view relative);

}  // namespace harnlode
