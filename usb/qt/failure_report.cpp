#include "failure_report.h"

#include "error_box.h"
#include "failure_text.h"
#include "silent_abort.h"
#include "target_system.h"

namespace harnlode {

void ReportFailure(std::exception_ptr failure, const QString& title) {
  QString text;
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& known) {
    // The program's 8-bit text is UTF-8. After the failure comes what the system in use can
    // tell about why it could not be written.
    TargetSystem* system = TargetSystemInUse();
    text = QString::fromStdString(ErrorBoxText(known, system));
    if (const std::string explanation = system ? system->WriteRefusalExplanation() : "";
        !explanation.empty()) {
      text += QStringLiteral("\n\n") + QString::fromStdString(explanation);
    }
  } catch (...) {
    text = QString::fromStdString(WithClosingPeriod("An unexpected failure ended the action"));
  }
  ShowErrorBox(title, text);
}

}  // namespace harnlode
