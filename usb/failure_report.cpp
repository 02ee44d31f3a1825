#include "failure_report.h"

#include "error_box.h"
#include "failure_text.h"
#include "silent_abort.h"
#include "target_system.h"

namespace harnlode {
namespace {

// What the system in use can tell about why it could not be written; empty when none is in use.
QString WriteRefusalExplanation() {
  try {
    return QString::fromStdString(CurrentTargetSystem().WriteRefusalExplanation());
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

void ReportFailure(std::exception_ptr failure, const QString& title) {
  QString text;
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& known) {
    // The program's 8-bit text is UTF-8.
    text = QString::fromStdString(ErrorBoxText(known));
    if (const QString explanation = WriteRefusalExplanation(); !explanation.isEmpty()) {
      text += QStringLiteral("\n\n") + explanation;
    }
  } catch (...) {
    text = QString::fromStdString(WithClosingPeriod("An unexpected failure ended the action"));
  }
  ShowErrorBox(title, text);
}

}  // namespace harnlode
