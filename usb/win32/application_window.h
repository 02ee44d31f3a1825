// The application's own window: never seen (it has no size), it carries the application's title
// and the program icon, owns the main window and so gives the program its taskbar entry, which
// shows the title rather than the main window's caption. Minimizing it takes the main window out
// of sight with it; activating it from the taskbar activates the window it last left active.
#pragma once

#include <string>

#include "window_class.h"

namespace harnlode::win32 {

class ApplicationWindow final : public Window {
 public:
  static constexpr const wchar_t* kClassName = L"THarnlodeApplication";

  explicit ApplicationWindow(const std::wstring& title);

  // The window that it owns and that closing the taskbar entry closes.
  void SetMainWindow(HWND main_window) { main_window_ = main_window; }
  // Gives it its taskbar entry, without activating it.
  void Show();
  // Minimizes it without activating it, as the application starts minimized.
  void StartMinimized();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // True when a window that it owns took the activation.
  bool ActivateOwnedWindow();

  HWND main_window_ = nullptr;
};

// The program icon, the resource MAINICON, at a size of the system's.
HICON ProgramIcon(int system_metric_width, int system_metric_height);

}  // namespace harnlode::win32
