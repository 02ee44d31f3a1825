#include "taskbar_entry.h"

#include <QWidget>

namespace harnlode {

void ShowInTaskbarAs(QWidget& main_window, const QString& title) {
  main_window.setWindowIconText(title);
}

}  // namespace harnlode
