// The check run on an installation folder, as the console program runs it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "collecting_log.h"
#include "offline/offline_system.h"
#include "report_text.h"

namespace harnlode::testing {

// Runs the check on an installation folder and returns what the window's log gets after the
// start line: the report's lines, then its notes.
inline std::vector<std::string> RunCheck(const std::filesystem::path& folder, bool analyze_only) {
  OfflineSystem system(folder);
  CollectingLog log;
  const RunReport report = log.Run(system, analyze_only);
  std::vector<std::string> lines = AfterStartLine(report, analyze_only);
  for (const std::string& note : NoteLines(report)) lines.push_back(note);
  return lines;
}

// The failure that a run on the folder ends with, with those kept beside it, or "" when it ends
// normally.
inline std::string RunFailure(const std::filesystem::path& folder, bool analyze_only,
                              std::function<void(const std::string&)> on_line = {}) {
  try {
    OfflineSystem system(folder);
    CollectingLog log;
    log.on_line = std::move(on_line);
    return FailureOf(log.Run(system, analyze_only));
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace harnlode::testing
