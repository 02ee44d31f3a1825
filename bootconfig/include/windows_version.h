// Which Windows an installation is, as its user knows it: Vista, 7, 8, 8.1, 10 or 11, with the
// build number. Read from SOFTWARE\Microsoft\Windows NT\CurrentVersion, offline or live.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace harnlode {

struct WindowsVersion {
  enum class Release {
    kNotRecorded,  // the system keeps no version, such as a folder without SOFTWARE or a blank one
    kUnknown,      // there is one, but it cannot be read or is none of those below: see `problem`
    kVista,
    k7,
    k8,
    k8_1,
    k10,
    k11,
  };
  Release release = Release::kNotRecorded;
  std::string build;    // CurrentBuildNumber; may be empty
  std::string problem;  // with kUnknown: why, in English sentences

  bool AtLeast(Release wanted) const { return release >= wanted && release >= Release::kVista; }
  // "Windows 10 (build 19041)"; "" for a version that is not known.
  std::string Name() const;
};

// The release that the values of CurrentVersion name: `current_version` is its CurrentVersion
// ("6.1" is Windows 7), `major` its CurrentMajorVersionNumber (10 from Windows 10 on), `build` its
// CurrentBuildNumber (Windows 11 keeps Windows 10's numbers from build 22000 on).
// The key below SOFTWARE that holds the values, and their names.
inline constexpr const char* kCurrentVersionKey = "Microsoft\\Windows NT\\CurrentVersion";
inline constexpr const char* kCurrentVersionName = "CurrentVersion";
inline constexpr const char* kMajorVersionName = "CurrentMajorVersionNumber";
inline constexpr const char* kBuildNumberName = "CurrentBuildNumber";

WindowsVersion VersionFromCurrentVersion(const std::optional<std::string>& current_version,
                                         std::optional<std::uint32_t> major,
                                         const std::optional<std::string>& build);

}  // namespace harnlode
