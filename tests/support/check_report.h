// The lines of the check's report, as the tests expect them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "investigate.h"

namespace harnlode::testing {

using Lines = std::vector<std::string>;
constexpr bool kAnalyze = true;
constexpr bool kTune = false;

inline const std::string kDriverMissing =
    "USBSTOR.SYS not found at c:\\windows\\system32\\DRIVERS\\\n";
inline const std::string kCopyDriver =
    "Copy driver to that directory and system will boot from USB.\n";
inline const std::string kWritingGroup = "Writing: Group: System Reserved\n";
inline const std::string kWritingStart = "Writing: Start: 0\n";

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
