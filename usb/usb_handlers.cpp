#include "usb_handlers.h"

namespace harnlode::form {

bool RunCommand(TLogOwner& log_owner, Command command) {
  switch (command) {
    case Command::Analyze:
      log_owner.LogLine(kAnalyzeStartLine);
      RunReadinessCheck(log_owner, true);
      return true;
    case Command::Tune:
      log_owner.LogLine(kTuneStartLine);
      RunReadinessCheck(log_owner, false);
      return true;
    case Command::Exit:
      break;
  }
  return false;
}

}  // namespace harnlode::form
