// bare-window [--text]: a plain Qt 6 window of the main window's size, shown and painted once; the
// floor for the start-up of the Harnlode window. With --text it shows one line of text, so that
// its start-up includes that of Qt's fonts, which any window with text needs.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <memory>
#include <string_view>

#include "first_paint.h"
#include "usb_form.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(harnlode::form::kClientSize.width, harnlode::form::kClientSize.height);
  std::unique_ptr<QLabel> text;
  if (application.arguments().contains(QStringLiteral("--text"))) {
    const std::string_view caption = harnlode::form::kButtons.front().caption;
    text = std::make_unique<QLabel>(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), &window);
  }
  harnlode::bench::QuitAfterFirstPaint(window);
  window.show();
  return application.exec();
}
