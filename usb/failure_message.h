// The error box's text for a failure that ended a user's action: the failure's text with the
// closing-period rule, then what the system in use can tell about why it could not be written.
// Nothing for the silent-abort kind (EAbort), which shows no box.
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace harnlode {

std::optional<std::string> FailureMessage(std::exception_ptr failure);

}  // namespace harnlode
