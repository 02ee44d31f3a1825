// What the desktop's taskbar shows for the main window: the application title and the program's
// icon, rather than the window's caption. On X11 the window's icon name carries the title, for the
// taskbars that show icon names.
#pragma once

#include <QString>

class QWidget;

namespace harnlode {

// Before the window is first shown.
void ShowInTaskbarAs(QWidget& main_window, const QString& title);

}  // namespace harnlode
