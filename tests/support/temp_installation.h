// Windows installations in temporary folders, built from real hive files, for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hive_builder.h"

namespace harnlode::testing {

// A temporary folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// An installation folder with a SYSTEM hive that starts empty; tests fill it through Hive() and
// Commit() it before running anything on it.
class TempInstallation {
 public:
  TempInstallation();
  const std::filesystem::path& Folder() const { return folder_.Path(); }
  std::filesystem::path HivePath() const;
  HiveBuilder& Hive() { return *builder_; }
  void Commit() { builder_->Commit(); }

  // A service key of a control set with the given values; a missing optional leaves it out.
  void AddService(const std::string& control_set, const std::string& service,
                  std::optional<std::string> group, std::optional<std::uint32_t> start);
  // All six USB services in the named control sets with the same values.
  void AddUsbServices(std::initializer_list<std::string> control_sets,
                      std::optional<std::string> group, std::optional<std::uint32_t> start);
  void AddDriverFile();

 private:
  TempFolder folder_;
  std::unique_ptr<HiveBuilder> builder_;
};

// Which Windows a SOFTWARE hive says an installation is: its CurrentVersion values.
struct InstalledWindows {
  std::string current_version;         // "6.1" for Windows 7
  std::optional<std::uint32_t> major;  // CurrentMajorVersionNumber, 10 from Windows 10 on
  std::string build;
};
// Writes the installation's SOFTWARE hive, with CurrentVersion and nothing else.
void AddSoftwareHive(const std::filesystem::path& folder, const InstalledWindows& windows);

// Runs `work` in a child process. Returns what `work` returned, or -1 when the child did not end
// normally.
int RunInChild(const std::function<int()>& work);

// Runs `work` in a child process that has given up root's rights (when the tests run as root),
// so that file permissions apply as they do for an ordinary user. Returns what `work` returned,
// or -1 when the child did not end normally. The installation's folders must be readable to all.
int RunUnprivileged(const std::function<int()>& work);

// Makes every folder from / down to `path` enterable by everyone, so that an unprivileged child
// can reach it.
void OpenUpTo(const std::filesystem::path& path);

}  // namespace harnlode::testing
