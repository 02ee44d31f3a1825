#include "usb.h"

#include <commctrl.h>

#include "ansi_text.h"
#include "application_window.h"
#include "colours.h"
#include "screen_scale.h"
#include "usb_handlers.h"

namespace harnlode::win32 {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// The buttons' control identifiers, in the order of form::kButtons.
constexpr int kFirstButtonId = 100;

HFONT MakeFont(const form::Font& font) {
  const std::wstring face = WideFromAnsi(font.face);
  return CreateFontW(-Scaled(font.pixel_height), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

// The window with its frame for the form's client size, at the centre of the screen's work area.
RECT CentredFrame() {
  RECT frame{0, 0, Scaled(form::kClientSize.width), Scaled(form::kClientSize.height)};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  RECT screen{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  const LONG width = frame.right - frame.left;
  const LONG height = frame.bottom - frame.top;
  const LONG left = (screen.left + screen.right - width) / 2;
  const LONG top = (screen.top + screen.bottom - height) / 2;
  return {left, top, left + width, top + height};
}

// The one-shot timer that creates the tooltip after the first paint.
constexpr UINT_PTR kCreateToolTipTimer = 1;

bool KeyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

TForm1::TForm1(HWND owner, TargetSystem& system)
    : owner_(owner),
      system_(system),
      form_font_(MakeFont(form::kFormFont)),
      log_font_(MakeFont(form::kLogFont)) {
  const auto background =
      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(SystemColourIndex(form::kFormBackground) + 1));
  Create({kClassName, background, ProgramIcon(SM_CXICON, SM_CYICON)}, 0, kFormStyle, L"",
         CentredFrame(), owner);
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(SM_CXSMICON, SM_CYSMICON)));
  SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form_font_), FALSE);

  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right;
  const int upper_height = Scaled(form::kUpperPane.height);
  const int lower_height = Scaled(form::kLowerPane.height);
  lower_pane_ = std::make_unique<NavigationPane>(
      Handle(), RECT{0, client.bottom - lower_height, width, client.bottom});
  upper_pane_ = std::make_unique<NavigationPane>(Handle(), RECT{0, 0, width, upper_height});
  // The upper pane is in front: a window lower than both panes lets the log slide behind it. It
  // comes first in the tab order, which is the order of the children from the front.
  SetWindowPos(upper_pane_->Handle(), HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  HWND previous = HWND_TOP;
  for (size_t i = 0; i < form::kButtons.size(); ++i) {
    const form::Button& button = form::kButtons[i];
    auto& made = buttons_.emplace_back(std::make_unique<XpButton>(
        upper_pane_->Handle(), button, NavigationPane::OnPage(button.geometry),
        kFirstButtonId + static_cast<int>(i)));
    SetWindowPos(made->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = made->Handle();
  }
  log_ = std::make_unique<LogEdit>(lower_pane_->Handle(),
                                   NavigationPane::PageRect(width, lower_height), log_font_);

  // The tooltip waits until the window has been painted: a timer's message comes only once the
  // queue is otherwise empty, and the tooltip is needed no sooner than the pointer rests on a
  // button.
  SetTimer(Handle(), kCreateToolTipTimer, 0, nullptr);
  last_focus_ = buttons_.front()->Handle();
}

TForm1::~TForm1() {
  if (tooltip_) DestroyWindow(tooltip_);
  // The controls go with their panes, before the fonts they use.
  if (Handle()) DestroyWindow(Handle());
  DeleteObject(form_font_);
  DeleteObject(log_font_);
}

void TForm1::ShowAsLaunched(int show_command) {
  switch (show_command) {
    case SW_SHOWMAXIMIZED:
      ShowWindow(Handle(), SW_SHOWMAXIMIZED);
      break;
    case SW_SHOWMINNOACTIVE:
      // Shown without activation, and hidden with the application's window as it is minimized.
      ShowWindow(Handle(), SW_SHOWNOACTIVATE);
      break;
    default:
      ShowWindow(Handle(), SW_SHOWNORMAL);
      break;
  }
  UpdateWindow(Handle());
}

void TForm1::CreateToolTip() {
  // The tooltip control's class.
  const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) {
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, form::kToolTipWakeUpMilliseconds);
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, form::kToolTipDisplayMilliseconds);
    for (const auto& button : buttons_) {
      if (button->Description().tooltip.empty()) continue;
      std::wstring text = WideFromAnsi(button->Description().tooltip);
      TOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = upper_pane_->Handle();
      tool.uId = reinterpret_cast<UINT_PTR>(button->Handle());
      tool.lpszText = text.data();
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

void TForm1::LogLine(const std::string& text) { log_->AppendLine(text); }

void TForm1::FormActivate() {
  if (++activations_ == 1) SetWindowTextW(Handle(), WideFromAnsi(form::kCaption).c_str());
}

bool TForm1::HandleDialogKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
  const HWND focus = GetFocus();
  const bool plain = !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU);
  if (message.wParam == VK_TAB && plain) {
    const HWND from = IsChild(Handle(), focus) ? focus : nullptr;
    if (const HWND next = GetNextDlgTabItem(Handle(), from, KeyDown(VK_SHIFT))) SetFocus(next);
    return true;
  }
  if (message.wParam == VK_TAB && KeyDown(VK_CONTROL) && !KeyDown(VK_MENU) &&
      focus == log_->Handle()) {
    // Ctrl+Tab types the tab, as the user's own edit.
    SendMessageW(focus, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\t"));
    return true;
  }
  if (message.wParam == VK_RETURN && plain && !KeyDown(VK_SHIFT) && ButtonOf(focus)) {
    // Through the form's own message handling, where failures are shown.
    SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
    return true;
  }
  return false;
}

const XpButton* TForm1::ButtonOf(HWND handle) const {
  for (const auto& button : buttons_) {
    if (handle && button->Handle() == handle) return button.get();
  }
  return nullptr;
}

void TForm1::JvXPButton1Click() { form::RunCheck(*this, system_, true); }

void TForm1::JvXPButton2Click() { form::RunCheck(*this, system_, false); }

void TForm1::JvXPButton6Click() { PostQuitMessage(0); }

void TForm1::PlacePanes(int width, int height) {
  if (!upper_pane_ || !lower_pane_) return;  // still being made
  const int lower_height = Scaled(form::kLowerPane.height);
  upper_pane_->Place({0, 0, width, Scaled(form::kUpperPane.height)});
  lower_pane_->Place({0, height - lower_height, width, height}, log_ ? log_->Handle() : nullptr);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        if (const HWND focus = GetFocus(); IsChild(Handle(), focus)) last_focus_ = focus;
        return 0;
      }
      FormActivate();
      // The focus goes back to the control that had it, as in a dialog.
      if (!HIWORD(wparam)) SetFocus(IsWindow(last_focus_) ? last_focus_ : Handle());
      return 0;
    case WM_TIMER:
      if (wparam != kCreateToolTipTimer) break;
      KillTimer(Handle(), kCreateToolTipTimer);
      if (!tooltip_) CreateToolTip();
      return 0;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) PlacePanes(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (const XpButton* button = ButtonOf(item.hwndItem)) {
        button->Draw(item, form_font_);
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        if (const XpButton* button = ButtonOf(reinterpret_cast<HWND>(lparam))) {
          form::CallHandler(*this, button->Description().command);
          return 0;
        }
      }
      break;
    case WM_SYSCOMMAND:
      // Minimizing the main window minimizes the application, whose taskbar entry it is.
      if ((wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(owner_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_CLOSE:
      // The main window: closing it ends the program, as Exit does.
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

}  // namespace harnlode::win32
