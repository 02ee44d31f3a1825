// Shows a failure that ended a user's action: nothing for the silent-abort kind, else the error box
// with the failure's text and the closing-period rule.
#pragma once

#include <QString>
#include <exception>

namespace harnlode {

void ReportFailure(std::exception_ptr failure, const QString& title);

}  // namespace harnlode
