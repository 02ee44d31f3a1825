#include "first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace harnlode::bench {
namespace {

class FirstPaintWatcher final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    // Queued, so the paint itself is done before the loop ends.
    if (event->type() == QEvent::Paint) QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    return false;
  }
};

}  // namespace

void QuitAfterFirstPaint(QWidget& window) {
  window.installEventFilter(new FirstPaintWatcher(&window));
}

}  // namespace harnlode::bench
