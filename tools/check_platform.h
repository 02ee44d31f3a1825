// What harnlode-check does in a way of each platform's own, defined in a file for each.
#pragma once

#include <functional>

namespace harnlode {

// The usage's first lines: the command line, and what the program examines.
extern const char* const kCheckSynopsis;

// Runs the program with its output set up as the platform needs, and returns its exit status.
int WithReportOutput(const std::function<int()>& program);

}  // namespace harnlode
