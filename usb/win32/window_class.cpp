#include "window_class.h"

#include <stdexcept>
#include <string>

#include "error_display.h"

namespace harnlode::win32 {

Window::~Window() {
  if (handle_) DestroyWindow(handle_);
}

void Window::Create(const WindowClass& window_class, DWORD ex_style, DWORD style,
                    const wchar_t* text, const RECT& bounds, HWND parent) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (!GetClassInfoExW(instance, window_class.name, &existing)) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.style = window_class.redraw_on_resize ? CS_HREDRAW | CS_VREDRAW : 0;
    description.lpfnWndProc = Procedure;
    description.hInstance = instance;
    description.hIcon = window_class.icon;
    description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    description.hbrBackground = window_class.background;
    description.lpszClassName = window_class.name;
    if (!RegisterClassExW(&description)) {
      throw std::runtime_error("Windows refused to register a window class (error " +
                               std::to_string(GetLastError()) + ")");
    }
  }
  CreateWindowExW(ex_style, window_class.name, text, style, bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, instance,
                  this);
  if (!handle_) {
    throw std::runtime_error("Windows refused to create a window (error " +
                             std::to_string(GetLastError()) + ")");
  }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(handle_, message, wparam, lparam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return Guarded([&] { return self->HandleMessage(message, wparam, lparam); });
}

}  // namespace harnlode::win32
