// Linked into a Win32 program, ends it once its windows have been painted for the first time, so
// that its start-up can be timed as a whole process from its start to its first paint. It needs
// nothing of the program: before the program's own code runs, it hooks the messages of the main
// thread. A paint may come from the message queue or be sent (UpdateWindow); after each, when no
// window of the thread is left to paint, the program is asked to quit as its Exit would.
#include <windows.h>

namespace {

HHOOK queued_paints = nullptr;
HHOOK sent_paints = nullptr;

void QuitOnceAllPainted() {
  if ((HIWORD(::GetQueueStatus(QS_PAINT)) & QS_PAINT) == 0) ::PostQuitMessage(0);
}

// A paint taken from the queue is handled here, so that what is left to paint can be seen after
// it; the program's loop then gets a message that does nothing.
LRESULT CALLBACK OnQueuedMessage(int code, WPARAM removed, LPARAM message) {
  MSG& msg = *reinterpret_cast<MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE && msg.message == WM_PAINT) {
    ::DispatchMessageW(&msg);
    msg.message = WM_NULL;
    QuitOnceAllPainted();
  }
  return ::CallNextHookEx(queued_paints, code, removed, message);
}

LRESULT CALLBACK OnSentMessageHandled(int code, WPARAM sender, LPARAM message) {
  if (code == HC_ACTION && reinterpret_cast<CWPRETSTRUCT*>(message)->message == WM_PAINT) {
    QuitOnceAllPainted();
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
