#include "temp_installation.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "investigate.h"
#include "windows_version.h"

namespace harnlode::testing {
namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "harnlode-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

TempInstallation::TempInstallation() {
  fs::create_directories(Folder() / "Windows/System32/config");
  fs::create_directories(Folder() / "Windows/System32/drivers");
  builder_ = std::make_unique<HiveBuilder>(HivePath());
}

fs::path TempInstallation::HivePath() const { return Folder() / "Windows/System32/config/SYSTEM"; }

void TempInstallation::AddService(const std::string& control_set, const std::string& service,
                                  std::optional<std::string> group,
                                  std::optional<std::uint32_t> start) {
  const std::string key = control_set + "\\Services\\" + service;
  builder_->AddKey(key);
  builder_->SetDword(key, "Type", 1);
  if (group) builder_->SetText(key, "Group", *group);
  if (start) builder_->SetDword(key, "Start", *start);
}

void TempInstallation::AddUsbServices(std::initializer_list<std::string> control_sets,
                                      std::optional<std::string> group,
                                      std::optional<std::uint32_t> start) {
  for (const std::string& control_set : control_sets) {
    for (const std::string& service : UsbServiceNames)
      AddService(control_set, service, group, start);
  }
}

void TempInstallation::AddDriverFile() {
  std::ofstream(Folder() / "Windows/System32/drivers/USBSTOR.SYS") << "driver";
}

void AddSoftwareHive(const fs::path& folder, const InstalledWindows& windows) {
  fs::create_directories(folder / "Windows/System32/config");
  HiveBuilder hive(folder / "Windows/System32/config/SOFTWARE");
  const std::string key = kCurrentVersionKey;
  hive.SetText(key, kCurrentVersionName, windows.current_version);
  if (windows.major) hive.SetDword(key, kMajorVersionName, *windows.major);
  hive.SetText(key, kBuildNumberName, windows.build);
  hive.Commit();
}

int RunInChild(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    int result = 127;
    try {
      result = work();
    } catch (...) {
    }
    ::_exit(result);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int RunUnprivileged(const std::function<int()>& work) {
  return RunInChild([&] {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 126;
    return work();
  });
}

void OpenUpTo(const fs::path& path) {
  for (fs::path p = path; p.has_relative_path(); p = p.parent_path()) {
    std::error_code ignored;
    fs::permissions(p, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add,
                    ignored);
  }
}

}  // namespace harnlode::testing
