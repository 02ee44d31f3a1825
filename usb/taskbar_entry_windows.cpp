#include <windows.h>

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <string>

#include "taskbar_entry.h"

namespace harnlode {
namespace {

HWND main_hwnd = nullptr;

// The application window: visible but of no size, so that only its taskbar entry shows. Clicking
// the entry activates or minimizes it; Windows hides and shows the owned main window with it.
LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && main_hwnd && IsWindowVisible(main_hwnd)) {
        SetActiveWindow(main_hwnd);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (main_hwnd) PostMessageW(main_hwnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateApplicationWindow(const QString& title) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = ApplicationWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"HarnlodeApplicationWindow";
  RegisterClassW(&window_class);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const std::wstring text = title.toStdWString();
  HWND window = CreateWindowExW(
      0, window_class.lpszClassName, text.c_str(),
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, screen.center().x(),
      screen.center().y(), 0, 0, nullptr, nullptr, instance, nullptr);
  const QImage icon = QApplication::windowIcon().pixmap(32, 32).toImage();
  if (window && !icon.isNull()) {
    const HICON handle = icon.toHICON();
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(handle));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(handle));
  }
  if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

// The main window's own minimize button minimizes the application window instead, which takes
// the owned main window out of sight with it, as the taskbar entry does.
class MinimizeThroughOwner : public QObject {
 public:
  MinimizeThroughOwner(QWidget& main_window, HWND owner) : QObject(&main_window), owner_(owner) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowStateChange && window->isMinimized()) {
      window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
      ShowWindow(owner_, SW_MINIMIZE);
    }
    return false;
  }

 private:
  HWND owner_;
};

}  // namespace

void ShowInTaskbarAs(QWidget& main_window, const QString& title) {
  HWND owner = CreateApplicationWindow(title);
  if (!owner) return;
  main_hwnd = reinterpret_cast<HWND>(main_window.winId());
  SetWindowLongPtrW(main_hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  // An owned window has no taskbar entry of its own unless it asks for one.
  const LONG_PTR style = GetWindowLongPtrW(main_hwnd, GWL_EXSTYLE);
  SetWindowLongPtrW(main_hwnd, GWL_EXSTYLE, style & ~LONG_PTR{WS_EX_APPWINDOW});
  main_window.installEventFilter(new MinimizeThroughOwner(main_window, owner));
}

}  // namespace harnlode
