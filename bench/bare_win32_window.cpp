// bare-win32-window: a plain Win32 window with the main window's client size, made with the
// window program's manifest, that shows the instructions in one multi-line edit control filling
// it; the floor for the start-up of harnlode.exe under Wine, which needs the same common controls
// and the same text control.
#include <windows.h>

#include <string>

#include "usb_form.h"

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"BareWindow";
  ::RegisterClassW(&window_class);
  const int width = harnlode::form::kClientSize.width;
  const int height = harnlode::form::kClientSize.height;
  RECT frame{0, 0, width, height};
  ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  const HWND window =
      ::CreateWindowW(L"BareWindow", L"Bare window", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  const std::string text = harnlode::form::InstructionsText("\r\n");
  const HWND edit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", text.c_str(),
                                      WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, width, height,
                                      window, nullptr, instance, nullptr);
  if (!window || !edit) return 1;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
