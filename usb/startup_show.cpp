#include "startup_show.h"

#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#endif

namespace harnlode {

void ShowAsLaunched(QWidget& window) {
#ifdef _WIN32
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) {
    if (startup.wShowWindow == SW_SHOWMAXIMIZED) {
      window.showMaximized();
      window.activateWindow();
      return;
    }
    if (startup.wShowWindow == SW_SHOWMINNOACTIVE) {
      window.setAttribute(Qt::WA_ShowWithoutActivating);
      window.showMinimized();
      return;
    }
  }
#endif
  window.show();
  // Not every desktop gives a new window the focus, nor does the bare X server.
  window.activateWindow();
}

}  // namespace harnlode
