#include "application_window.h"

namespace harnlode::win32 {

HICON ProgramIcon(int system_metric_width, int system_metric_height) {
  // Shared: the system keeps it for the program's lifetime.
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                       GetSystemMetrics(system_metric_width),
                                       GetSystemMetrics(system_metric_height), LR_SHARED));
}

ApplicationWindow::ApplicationWindow(const std::wstring& title) {
  RECT screen{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  const LONG x = (screen.left + screen.right) / 2;
  const LONG y = (screen.top + screen.bottom) / 2;
  Create({kClassName, nullptr, ProgramIcon(SM_CXICON, SM_CYICON)}, 0,
         WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, title.c_str(),
         {x, y, x, y}, nullptr);
  SendMessageW(Handle(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(SM_CXICON, SM_CYICON)));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(SM_CXSMICON, SM_CYSMICON)));
}

// SetWindowPos rather than ShowWindow: the process's first ShowWindow may take the start-up show
// command instead of its own, and that command is the main window's.
void ApplicationWindow::Show() {
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ApplicationWindow::StartMinimized() { ShowWindow(Handle(), SW_SHOWMINNOACTIVE); }

bool ApplicationWindow::ActivateOwnedWindow() {
  HWND target = GetLastActivePopup(Handle());
  if (target == Handle()) target = main_window_;
  if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) return false;
  SetActiveWindow(target);
  return true;
}

LRESULT ApplicationWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      // Active itself only on its way to the window it owns that was active last, or to the main
      // window; a minimized one passes it on once restored.
      if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam) && ActivateOwnedWindow()) return 0;
      break;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED && GetActiveWindow() == Handle()) ActivateOwnedWindow();
      break;
    case WM_CLOSE:
      // Closing the taskbar entry closes the main window, which ends the program.
      if (main_window_) PostMessageW(main_window_, WM_CLOSE, 0, 0);
      return 0;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace harnlode::win32
