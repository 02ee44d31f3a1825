#include "usb_handlers.h"

namespace harnlode::form {

void RunCheck(TLogOwner& log_owner, bool analyze_only) {
  log_owner.LogLine(analyze_only ? kAnalyzeStartLine : kTuneStartLine);
  RunReadinessCheck(log_owner, analyze_only);
}

}  // namespace harnlode::form
