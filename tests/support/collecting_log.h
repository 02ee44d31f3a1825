// A log owner that keeps every appended text, for running the check without a window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "investigate.h"
#include "run_report.h"

namespace harnlode::testing {

class CollectingLog : public TLogOwner {
 public:
  void LogLine(const std::string& text) override {
    lines.push_back(text);
    if (on_line) on_line(text);
  }

  // Runs the check on `system` as the window's buttons do, and returns its report, that of a
  // failed run as well.
  RunReport Run(TargetSystem& system, bool analyze_only) {
    try {
      return RunReadinessCheck(*this, system, analyze_only);
    } catch (const EFailedRun& failed) {
      return failed.Report();
    }
  }

  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line;
};

// The lines of a run after its start line, which must be the mode's; the report's lines are those
// that the log was given.
inline std::vector<std::string> AfterStartLine(const RunReport& report, bool analyze_only) {
  if (report.lines.empty()) {
    ADD_FAILURE() << "no start line";
    return {};
  }
  EXPECT_EQ(report.lines.front(), analyze_only ? expected::kAnalyzeStart : expected::kTuneStart);
  return {report.lines.begin() + 1, report.lines.end()};
}

// The failure's message and those kept beside it, one per line; "" for a run that ended.
inline std::string FailureOf(const RunReport& report) {
  if (!report.failure) return "";
  std::string text = report.failure->message;
  for (const std::string& other : report.failure->kept) text += "\n" + other;
  return text;
}

}  // namespace harnlode::testing
