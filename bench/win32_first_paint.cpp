// Linked into a Win32 program, ends it once its windows have been painted for the first time, so
// that its start-up can be timed as a whole process from its start to its first paint. It needs
// nothing of the program: before the program's own code runs, it hooks the messages of the main
// thread. A paint may come from the message queue or be sent (UpdateWindow); after each, when no
// window of the thread is left to paint, the program is asked to quit as its Exit would.
// Built with HARNLODE_FIRST_PAINT_WITH_TOOLTIP, it also waits until the thread has made a tooltip
// control, which a program may make later than its first paint (on a timer, say): the start-up
// then ends when the window is both painted and ready to show its tooltip.
#include <windows.h>

#include <cwchar>

namespace {

HHOOK queued_paints = nullptr;
HHOOK sent_paints = nullptr;
bool painted = false;

#ifdef HARNLODE_FIRST_PAINT_WITH_TOOLTIP
constexpr bool kWaitsForToolTip = true;
#else
constexpr bool kWaitsForToolTip = false;
#endif

// The tooltip control's class, whichever version of the common controls registered it.
BOOL CALLBACK FindToolTip(HWND window, LPARAM found) {
  wchar_t name[64];
  const int length = ::GetClassNameW(window, name, 64);
  constexpr wchar_t kClass[] = L"tooltips_class32";
  constexpr int kClassLength = sizeof(kClass) / sizeof(kClass[0]) - 1;
  if (length >= kClassLength && ::_wcsicmp(name + length - kClassLength, kClass) == 0) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

bool HasToolTip() {
  bool found = false;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindToolTip, reinterpret_cast<LPARAM>(&found));
  return found;
}

void QuitOnceReady() {
  if (!painted || ((HIWORD(::GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0)) return;
  if (kWaitsForToolTip && !HasToolTip()) return;
  ::PostQuitMessage(0);
}

// A paint or a timer taken from the queue is handled here, so that what is left to do can be seen
// after it; the program's loop then gets a message that does nothing.
LRESULT CALLBACK OnQueuedMessage(int code, WPARAM removed, LPARAM message) {
  MSG& msg = *reinterpret_cast<MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE &&
      (msg.message == WM_PAINT || (kWaitsForToolTip && msg.message == WM_TIMER))) {
    ::DispatchMessageW(&msg);
    painted = painted || msg.message == WM_PAINT;
    msg.message = WM_NULL;
    QuitOnceReady();
  }
  return ::CallNextHookEx(queued_paints, code, removed, message);
}

LRESULT CALLBACK OnSentMessageHandled(int code, WPARAM sender, LPARAM message) {
  if (code == HC_ACTION && reinterpret_cast<CWPRETSTRUCT*>(message)->message == WM_PAINT) {
    painted = true;
    QuitOnceReady();
  }
  return ::CallNextHookEx(sent_paints, code, sender, message);
}

// Static initialisation runs on the main thread, before WinMain.
const bool kHooked = [] {
  const DWORD thread = ::GetCurrentThreadId();
  queued_paints = ::SetWindowsHookExW(WH_GETMESSAGE, OnQueuedMessage, nullptr, thread);
  sent_paints = ::SetWindowsHookExW(WH_CALLWNDPROCRET, OnSentMessageHandled, nullptr, thread);
  return queued_paints != nullptr && sent_paints != nullptr;
}();

}  // namespace
