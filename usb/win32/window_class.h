// A window of one of the program's own classes, whose messages an object of a subclass handles.
// The handling of every message is guarded: a failure goes to the error display, and the message
// counts as handled.
#pragma once

#include <windows.h>

namespace harnlode::win32 {

struct WindowClass {
  const wchar_t* name;
  HBRUSH background;
  HICON icon = nullptr;
  // Whether the whole window is drawn again when its size changes.
  bool redraw_on_resize = false;
};

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return handle_; }

 protected:
  // Registers the class on its first use. Throws std::runtime_error when the window cannot be
  // made.
  void Create(const WindowClass& window_class, DWORD ex_style, DWORD style, const wchar_t* text,
              const RECT& bounds, HWND parent);

  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
};

}  // namespace harnlode::win32
