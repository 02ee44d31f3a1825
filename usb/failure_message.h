// The error box's text for a failure that ended a user's action: for a failed run of the check,
// its report as the error box shows it (ErrorBoxText); for any other failure, its message with
// the closing-period rule. Nothing for the silent-abort kind (EAbort), which shows no box.
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace harnlode {

std::optional<std::string> FailureMessage(std::exception_ptr failure);

}  // namespace harnlode
