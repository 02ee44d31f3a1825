// A log owner that keeps every appended text, for running the check without a window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "investigate.h"

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

}  // namespace harnlode::testing
