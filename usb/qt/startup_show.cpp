#include "startup_show.h"

#include <QWidget>

namespace harnlode {

void ShowAsLaunched(QWidget& window) {
  window.show();
  // Not every desktop gives a new window the focus, nor does the bare X server.
  window.activateWindow();
}

}  // namespace harnlode
