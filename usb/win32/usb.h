// TForm1, the program's only window, drawn from the form (usb_form.h) with the Win32 API: two
// navigation panes, the three picture buttons on the upper one, the log on the lower one, and
// Analyze's tooltip.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "investigate.h"
#include "log_edit.h"
#include "navigation_pane.h"
#include "target_system.h"
#include "window_class.h"
#include "xp_button.h"

namespace harnlode::win32 {

class TForm1 final : public Window, public TLogOwner {
 public:
  static constexpr const wchar_t* kClassName = L"TForm1";

  // Made hidden, centred on the screen with its frame; its caption stays empty until the first
  // activation. `owner` is the application's window. Its buttons run the check on `system`,
  // which outlives the window.
  TForm1(HWND owner, TargetSystem& system);
  ~TForm1() override;

  // Shows it as the program was started: maximized for SW_SHOWMAXIMIZED, not at all for
  // SW_SHOWMINNOACTIVE (the application's window is minimized instead), else normally. A window
  // shown active has its first activation here.
  void ShowAsLaunched(int show_command);

  void LogLine(const std::string& text) override;

  // Tab and Shift+Tab move the focus round the buttons and the log, Ctrl+Tab types a tab into the
  // log, Enter presses the button that has the focus. True when the message was such a key and
  // has been handled.
  bool HandleDialogKey(const MSG& message);

  // Analyze: reports without changing anything.
  void JvXPButton1Click();
  // Tune: reports and writes every value that is not as wanted.
  void JvXPButton2Click();
  // Exit: ends the message loop, as closing the window does.
  void JvXPButton6Click();
  // Sets the caption on the first activation only.
  void FormActivate();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void PlacePanes(int width, int height);
  // Analyze's tooltip; made once the window has been painted.
  void CreateToolTip();
  const XpButton* ButtonOf(HWND handle) const;

  HWND owner_;
  TargetSystem& system_;
  HFONT form_font_;
  HFONT log_font_;
  std::unique_ptr<NavigationPane> lower_pane_;
  std::unique_ptr<NavigationPane> upper_pane_;
  std::vector<std::unique_ptr<XpButton>> buttons_;
  std::unique_ptr<LogEdit> log_;
  HWND tooltip_ = nullptr;
  HWND last_focus_ = nullptr;
  int activations_ = 0;
};

}  // namespace harnlode::win32
