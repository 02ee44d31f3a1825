#include "failure_message.h"

#include "failure_text.h"
#include "silent_abort.h"
#include "target_system.h"

namespace harnlode {

std::optional<std::string> FailureMessage(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return std::nullopt;
  } catch (const std::exception& known) {
    TargetSystem* system = TargetSystemInUse();
    std::string text = ErrorBoxText(known, system);
    if (const std::string explanation = system ? system->WriteRefusalExplanation() : "";
        !explanation.empty()) {
      text += "\n\n" + explanation;
    }
    return text;
  } catch (...) {
    return WithClosingPeriod("An unexpected failure ended the action");
  }
}

}  // namespace harnlode
