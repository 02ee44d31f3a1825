// harnlode.exe: the window program on Windows. It works on the running system's registry, takes
// no command line and needs administrator rights, which its manifest asks for.
#include <commctrl.h>
#include <windows.h>

#include "application_title.h"
#include "application_window.h"
#include "error_display.h"
#include "live_target.h"
#include "usb.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
  using namespace harnlode::win32;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  const std::wstring title = ApplicationTitle();
  ApplicationWindow application(title);
  SetErrorDisplayOwner(title, application.Handle());
  LiveTarget system;
  const harnlode::UseTargetSystem use_system(system);

  TForm1 form(application.Handle());
  application.SetMainWindow(form.Handle());
  application.Show();
  form.ShowAsLaunched(show_command);
  if (show_command == SW_SHOWMINNOACTIVE) application.Minimize(false);

  // Until Exit or closing the main window posts the quit message.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
