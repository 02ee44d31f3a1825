#include <windows.h>

#include <QWidget>

#include "startup_show.h"

namespace harnlode {

void ShowAsLaunched(QWidget& window) {
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
  window.show();
  window.activateWindow();
}

}  // namespace harnlode
