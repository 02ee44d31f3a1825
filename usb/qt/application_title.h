// The application's title, which the taskbar and the error box show: the executable's file name
// without its directory, cut at its first ".", every character after the first in lower case.
#pragma once

#include <QString>

namespace harnlode {

QString ApplicationTitle(const QString& executable_path);

}  // namespace harnlode
