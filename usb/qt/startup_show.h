// Shows the main window and asks for its activation.
#pragma once

class QWidget;

namespace harnlode {

void ShowAsLaunched(QWidget& window);

}  // namespace harnlode
