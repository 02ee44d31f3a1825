// The application object: its title and style, and the error display around all event handling.
// A failure that escapes the handling of an event is shown in the error box once that event is
// done; the event counts as handled and the program runs on.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QString>
#include <exception>
#include <utility>

namespace harnlode {

class HarnlodeApplication : public QApplication {
  Q_OBJECT
 public:
  HarnlodeApplication(int& argc, char** argv);

  // The application title (see ApplicationTitle), the caption of the error box.
  const QString& Title() const { return title_; }

  bool notify(QObject* receiver, QEvent* event) override;

  // Takes a failure that a handler caught because it must not travel through Qt's own code. It is
  // shown when the event during whose handling it arose is done, or at once outside any event.
  void HandOver(std::exception_ptr failure);

 private:
  void ShowPendingFailure();

  QString title_;
  int notify_depth_ = 0;
  std::exception_ptr pending_;
  int pending_depth_ = 0;
};

// The program's icon, which every window without one of its own shows: one of the window's
// pictures.
QIcon ProgramIcon();

// Hands the failure to the running HarnlodeApplication, or shows it at once when the application
// object is another.
void HandOverFailure(std::exception_ptr failure);

// Wraps an event handler so that no exception leaves it into Qt; its failures go to the error
// display instead.
template <typename Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)]() {
    try {
      handler();
    } catch (...) {
      HandOverFailure(std::current_exception());
    }
  };
}

}  // namespace harnlode
