// The lines of the check's report, as the tests expect them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "investigate.h"

namespace harnlode::testing {

using Lines = std::vector<std::string>;
constexpr bool kAnalyze = true;
constexpr bool kTune = false;

using expected::kCopyDriver;
using expected::kDriverMissing;
using expected::kWritingGroup;
using expected::kWritingStart;

inline std::string ServiceLine(const std::string& set, const std::string& service,
                               const std::string& group, int start) {
  return "SYSTEM\\" + set + "\\Services\\" + service + ": " + group + ", " + std::to_string(start) +
         "\n";
}

// One line for each USB service in each of the control sets, all with the same values.
inline Lines ServiceLines(std::initializer_list<std::string> sets, const std::string& group,
                          int start) {
  Lines lines;
  for (const std::string& set : sets) {
    for (const std::string& service : UsbServiceNames) {
      lines.push_back(ServiceLine(set, service, group, start));
    }
  }
  return lines;
}

inline Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace harnlode::testing
