#include "failure_report.h"

#include "error_box.h"
#include "failure_message.h"

namespace harnlode {

void ReportFailure(std::exception_ptr failure, const QString& title) {
  // The program's 8-bit text is UTF-8.
  if (const std::optional<std::string> text = FailureMessage(std::move(failure))) {
    ShowErrorBox(title, QString::fromStdString(*text));
  }
}

}  // namespace harnlode
