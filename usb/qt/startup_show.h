// Shows the main window as the program was launched: maximized or minimized when the launcher
// asked for that (Windows' start-up show command), else normally; but for the minimized start
// without activation, it asks for the window's activation too.
#pragma once

class QWidget;

namespace harnlode {

void ShowAsLaunched(QWidget& window);

}  // namespace harnlode
