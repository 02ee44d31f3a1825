// harnlode.exe: the window program on Windows. It works on the running system's registry, takes
// no command line and needs administrator rights, which its manifest asks for.
#include <windows.h>

#include "application_title.h"
#include "application_window.h"
#include "error_display.h"
#include "usb.h"
#include "windows/live_system.h"

namespace {

using namespace harnlode::win32;

int RunWindow(const std::wstring& title, int show_command) {
  ApplicationWindow application(title);
  SetErrorDisplayOwner(title, application.Handle());
  harnlode::LiveSystem system;

  TForm1 form(application.Handle(), system);
  application.SetMainWindow(form.Handle());
  application.Show();
  form.ShowAsLaunched(show_command);
  if (show_command == SW_SHOWMINNOACTIVE) application.StartMinimized();

  // Until Exit or closing the main window posts the quit message.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
  const std::wstring title = ApplicationTitle();
  SetErrorDisplayOwner(title, nullptr);
  try {
    return RunWindow(title, show_command);
  } catch (...) {
    // The window could not be made: the box says why, and the program ends.
    ShowFailure(std::current_exception());
    return 1;
  }
}
