// The check run on an installation folder, as the console program runs it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "collecting_log.h"
#include "failure_text.h"
#include "offline/offline_system.h"

namespace harnlode::testing {

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
