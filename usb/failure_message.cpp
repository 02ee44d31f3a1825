#include "failure_message.h"

#include "report_text.h"
#include "silent_abort.h"

namespace harnlode {

std::optional<std::string> FailureMessage(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return std::nullopt;
  } catch (const EFailedRun& failed) {
    return ErrorBoxText(failed.Report());
  } catch (const std::exception& known) {
    return ErrorBoxText(ReportOfFailure(known));
  } catch (...) {
    return WithClosingPeriod("An unexpected failure ended the action");
  }
}

}  // namespace harnlode
