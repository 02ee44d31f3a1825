// The buttons' handlers without any toolkit: what Analyze and Tune do to the log and the system,
// and which of the form's handlers a button's command calls.
#pragma once

#include "investigate.h"
#include "usb_form.h"

namespace harnlode::form {

// Analyze (`analyze_only`) and Tune: runs the readiness check on `system`, its report in the log,
// Analyze without changing anything; then the run's notes, whether it ended or failed. A failure
// goes on to the error display (EFailedRun).
void RunCheck(TLogOwner& log_owner, TargetSystem& system, bool analyze_only);

// Calls the handler of the button whose command is `command`, as each toolkit's TForm1 names it:
// JvXPButton1Click (Analyze), JvXPButton2Click (Tune), JvXPButton6Click (Exit).
template <typename Form>
void CallHandler(Form& form, Command command) {
  switch (command) {
    case Command::Analyze:
      form.JvXPButton1Click();
      break;
    case Command::Tune:
      form.JvXPButton2Click();
      break;
    case Command::Exit:
      form.JvXPButton6Click();
      break;
  }
}

}  // namespace harnlode::form
