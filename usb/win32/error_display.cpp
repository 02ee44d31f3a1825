#include "error_display.h"

#include <optional>
#include <vector>

#include "ansi_text.h"
#include "failure_message.h"

namespace harnlode::win32 {
namespace {

std::string box_caption;
HWND box_fallback_owner = nullptr;

struct WindowSearch {
  HWND except;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTakingInput(HWND window, LPARAM lparam) {
  auto& search = *reinterpret_cast<WindowSearch*>(lparam);
  if (window != search.except && IsWindowVisible(window) && IsWindowEnabled(window)) {
    search.found.push_back(window);
  }
  return TRUE;
}

// The program's top-level windows that are visible and enabled, but for `except`.
std::vector<HWND> WindowsTakingInput(HWND except) {
  WindowSearch search{except, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectTakingInput, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

void SetErrorDisplayOwner(const std::wstring& title, HWND application_window) {
  box_caption = AnsiFromWide(title);
  box_fallback_owner = application_window;
}

void ShowFailure(std::exception_ptr failure) noexcept {
  try {
    if (HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
    const std::optional<std::string> text = FailureMessage(std::move(failure));
    if (!text) return;

    const HWND active = GetActiveWindow();
    const HWND focus = GetFocus();
    HWND owner = active;
    if (!owner && IsWindow(box_fallback_owner)) owner = box_fallback_owner;
    // The box disables its owner itself, and enables it again before it goes, so that the owner
    // is active again afterwards.
    const std::vector<HWND> disabled = WindowsTakingInput(owner);
    for (HWND window : disabled) EnableWindow(window, FALSE);
    MessageBoxA(owner, text->c_str(), box_caption.c_str(), MB_OK | MB_ICONERROR);
    for (HWND window : disabled) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    if (active && IsWindow(active)) SetActiveWindow(active);
    if (focus && IsWindow(focus)) SetFocus(focus);
  } catch (...) {
    // Nothing is left that could show it: the failure ends here, and the program runs on.
  }
}

}  // namespace harnlode::win32
