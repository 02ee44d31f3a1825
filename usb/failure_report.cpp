#include "failure_report.h"

#include "error_box.h"
#include "failure_text.h"
#include "silent_abort.h"

namespace harnlode {

void ReportFailure(std::exception_ptr failure, const QString& title) {
  QString text;
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& known) {
    // The program's 8-bit text is UTF-8.
    text = QString::fromStdString(ErrorBoxText(known));
  } catch (...) {
    text = QString::fromStdString(WithClosingPeriod("An unexpected failure ended the action"));
  }
  ShowErrorBox(title, text);
}

}  // namespace harnlode
