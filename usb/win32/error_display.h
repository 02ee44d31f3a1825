// The error display: every failure that escapes the handling of a window message is shown here,
// and the message counts as handled, so the program runs on.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace harnlode::win32 {

// The application's title, the box's caption, and its hidden window, which owns the box when no
// window of the program is active.
void SetErrorDisplayOwner(const std::wstring& title, HWND application_window);

// Cancels any mouse capture (WM_CANCELMODE to its holder), then shows the failure's message
// (FailureMessage) with MessageBoxA, MB_OK | MB_ICONERROR, owned by the active window; the
// program's other windows take no input meanwhile, and afterwards the window that was active
// gets back its focus. Shows nothing for the silent-abort kind. Never throws.
void ShowFailure(std::exception_ptr failure) noexcept;

// Runs one message's handling; a failure that escapes it is shown, and the message counts as
// handled (0).
template <typename Handling>
LRESULT Guarded(Handling handling) noexcept {
  try {
    return handling();
  } catch (...) {
    ShowFailure(std::current_exception());
    return 0;
  }
}

}  // namespace harnlode::win32
