// The buttons' handlers without any toolkit: what Analyze and Tune do to the log and the system.
#pragma once

#include "investigate.h"
#include "usb_form.h"

namespace harnlode::form {

// Analyze and Tune: appends the command's start line to the log, then runs the readiness check,
// Analyze without changing anything. Returns false, doing nothing, for Exit, which belongs to the
// toolkit: it ends the message loop.
bool RunCommand(TLogOwner& log_owner, Command command);

}  // namespace harnlode::form
