#include "error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace harnlode {

void ShowErrorBox(const QString& title, const QString& text) {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  if (QWidget* grabber = QWidget::keyboardGrabber()) grabber->releaseKeyboard();
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }

  const QPointer<QWidget> owner = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
  // Failure messages name files and values; they are never markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
  if (owner) owner->activateWindow();
}

}  // namespace harnlode
