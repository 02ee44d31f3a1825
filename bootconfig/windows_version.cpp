#include "windows_version.h"

#include <charconv>

namespace harnlode {
namespace {

constexpr unsigned long kFirstWindows11Build = 22000;

unsigned long BuildNumber(const std::string& build) {
  unsigned long number = 0;
  std::from_chars(build.data(), build.data() + build.size(), number);
  return number;
}

}  // namespace

std::string WindowsVersion::Name() const {
  // By Release, in its order.
  constexpr const char* kNames[] = {
      "", "", "Windows Vista", "Windows 7", "Windows 8", "Windows 8.1", "Windows 10", "Windows 11"};
  const std::string name = kNames[static_cast<int>(release)];
  return name.empty() || build.empty() ? name : name + " (build " + build + ")";
}

WindowsVersion VersionFromCurrentVersion(const std::optional<std::string>& current_version,
                                         std::optional<std::uint32_t> major,
                                         const std::optional<std::string>& build) {
  using Release = WindowsVersion::Release;
  // A hive without them, such as a blank one, keeps no version at all.
  if (!current_version && !major && !build) return {};
  WindowsVersion version{Release::kUnknown, build.value_or(""), ""};
  // From Windows 10 on, CurrentVersion stays "6.3" for the programs that read it.
  if (major && *major >= 10) {
    version.release =
        BuildNumber(version.build) >= kFirstWindows11Build ? Release::k11 : Release::k10;
  } else if (current_version == "6.0") {
    version.release = Release::kVista;
  } else if (current_version == "6.1") {
    version.release = Release::k7;
  } else if (current_version == "6.2") {
    version.release = Release::k8;
  } else if (current_version == "6.3") {
    version.release = Release::k8_1;
  } else if (!current_version) {
    version.problem = "Its registry holds no CurrentVersion beside its build number.";
  } else {
    version.problem =
        "Its CurrentVersion \"" + *current_version + "\" is none that Harnlode knows.";
  }
  return version;
}

}  // namespace harnlode
