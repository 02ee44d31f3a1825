// The text that tells the user about a failure that ended a run.
#pragma once

#include <exception>
#include <string>

namespace harnlode {

// Keeps a failure that could not be raised because another one was already on its way (a
// write-back that failed while a failed run was being unwound), so that it is not lost.
void KeepUnreportedFailure(const std::string& message);

// The failure's message, followed by every kept failure, one per line; the kept ones are cleared.
std::string FailureText(const std::exception& failure);

// The text with a period added when it is not empty and its last character's code is above that
// of "." (46): a message ending in a letter, digit, "?" or ":" gets one; one ending in ".", "!",
// ")" or a quote mark does not.
std::string WithClosingPeriod(std::string text);

// FailureText as the error box shows it, WithClosingPeriod.
std::string ErrorBoxText(const std::exception& failure);

}  // namespace harnlode
