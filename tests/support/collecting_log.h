// A log owner that keeps every appended text, for running the check without a window.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "failure_text.h"
#include "investigate.h"
#include "offline/offline_system.h"

namespace harnlode::testing {

class CollectingLog : public TLogOwner {
 public:
  void LogLine(const std::string& text) override {
    lines.push_back(text);
    if (on_line) on_line(text);
  }

  // Runs the check with the arguments that the window's buttons pass.
  void Run(bool analyze_only) { RunReadinessCheck(*this, analyze_only); }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line;
};

// Runs the check on an installation folder and returns what it appended.
inline std::vector<std::string> RunCheck(const std::filesystem::path& folder, bool analyze_only) {
  OfflineSystem system(folder);
  UseTargetSystem use(system);
  CollectingLog log;
  log.Run(analyze_only);
  return log.lines;
}

// The failure that a run on the folder ends with, or "" when it ends normally.
inline std::string RunFailure(const std::filesystem::path& folder, bool analyze_only,
                              std::function<void(const std::string&)> on_line = {}) {
  std::optional<OfflineSystem> system;
  try {
    system.emplace(folder);
    UseTargetSystem use(*system);
    CollectingLog log;
    log.on_line = std::move(on_line);
    log.Run(analyze_only);
  } catch (const std::exception& e) {
    return system ? FailureText(e, system->KeptFailures()) : FailureText(e);
  }
  return "";
}

}  // namespace harnlode::testing
