// The program's icon, which every window without one of its own shows. On Windows the program
// file carries it as the resource MAINICON, in several sizes; elsewhere it is one of the window's
// pictures.
#pragma once

#include <QIcon>

namespace harnlode {

QIcon ProgramIcon();

}  // namespace harnlode
