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

// FailureText as the error box shows it: a period is added when the text does not end in one or
// in another character whose code is below it (a quote mark, "!", ")").
std::string ErrorBoxText(const std::exception& failure);

}  // namespace harnlode
