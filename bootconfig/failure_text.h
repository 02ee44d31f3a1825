// The text that tells the user about a failure that ended a run.
#pragma once

#include <exception>
#include <string>

namespace harnlode {

// The failure's message, followed by any failure of the target system that could not be raised
// while this one was on its way (a write-back that failed while the run was being unwound).
std::string FailureText(const std::exception& failure);

}  // namespace harnlode
