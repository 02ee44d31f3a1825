#include "harnlode_application.h"

#include "application_title.h"
#include "failure_report.h"
#include "harnlode_style.h"

namespace harnlode {

HarnlodeApplication::HarnlodeApplication(int& argc, char** argv) : QApplication(argc, argv) {
  title_ = ApplicationTitle(applicationFilePath());
  // The name, not the display name: a display name would be added to every window's caption.
  setApplicationName(title_);
  setStyle(new HarnlodeStyle);
  // Every window without an icon of its own shows this one.
  setWindowIcon(ProgramIcon());
}

bool HarnlodeApplication::notify(QObject* receiver, QEvent* event) {
  ++notify_depth_;
  bool handled = true;
  try {
    handled = QApplication::notify(receiver, event);
  } catch (...) {
    HandOver(std::current_exception());
  }
  --notify_depth_;
  if (pending_ && notify_depth_ < pending_depth_) ShowPendingFailure();
  return handled;
}

void HarnlodeApplication::HandOver(std::exception_ptr failure) {
  // A second failure while the first waits can only come from the unwinding of the same event;
  // the first one is the cause worth showing.
  if (pending_) return;
  pending_ = std::move(failure);
  pending_depth_ = notify_depth_;
  if (notify_depth_ == 0) ShowPendingFailure();
}

void HarnlodeApplication::ShowPendingFailure() {
  ReportFailure(std::exchange(pending_, nullptr), title_);
}

void HandOverFailure(std::exception_ptr failure) {
  if (auto* application = dynamic_cast<HarnlodeApplication*>(QCoreApplication::instance())) {
    application->HandOver(std::move(failure));
  } else {
    ReportFailure(std::move(failure), ApplicationTitle(QCoreApplication::applicationFilePath()));
  }
}

}  // namespace harnlode
