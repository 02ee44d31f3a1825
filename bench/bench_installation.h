// What the in-process benchmarks share: a Windows installation in a temporary folder that can be
// put back to its first state between runs, and a log that keeps nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "investigate.h"

namespace harnlode::bench {

class NoLog final : public TLogOwner {
 public:
  void LogLine(const std::string&) override {}
};

class BenchInstallation {
 public:
  // `make` fills the folder it is given with an installation.
  explicit BenchInstallation(const std::function<void(const std::filesystem::path&)>& make);
  ~BenchInstallation();
  BenchInstallation(const BenchInstallation&) = delete;
  BenchInstallation& operator=(const BenchInstallation&) = delete;

  std::filesystem::path Folder() const { return root_ / "windows"; }
  // Puts the hive back as it was made, undoing the runs' changes.
  void Restore() const;

 private:
  std::filesystem::path root_;
};

}  // namespace harnlode::bench
