#include "harnlode_application.h"

#include "application_title.h"
#include "failure_report.h"
#include "harnlode_style.h"
#include "png_icon.h"

#ifdef _WIN32
#include <windows.h>

#include <QImage>
#include <QPixmap>
#endif

namespace harnlode {
namespace {

// On Windows the program file carries its icon as the resource MAINICON, in several sizes;
// elsewhere the icon is one of the window's pictures.
QIcon ProgramIcon() {
#ifdef _WIN32
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 256}) {
    const auto handle = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
    if (!handle) continue;
    icon.addPixmap(QPixmap::fromImage(QImage::fromHICON(handle)));
    DestroyIcon(handle);
  }
  if (!icon.isNull()) return icon;
#endif
  return PngIcon(QStringLiteral(":/pictures/harnlode.png"));
}

}  // namespace

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
