#include "log_edit.h"

#include <stdexcept>
#include <string>

#include "ansi_text.h"
#include "usb_form.h"

namespace harnlode::win32 {

LogEdit::LogEdit(HWND parent, const RECT& bounds, HFONT font)
    : handle_(CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", nullptr,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL |
                                  ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                              bounds.left, bounds.top, bounds.right - bounds.left,
                              bounds.bottom - bounds.top, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr)) {
  if (!handle_) throw std::runtime_error("Windows refused to create the log");
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(handle_, EM_SETLIMITTEXT, 0, 0);
  // In dialog template units, four to an average character of the control's font.
  int tab_stop = form::kTabStopCharacters * 4;
  SendMessageW(handle_, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab_stop));
  const std::wstring instructions = WideFromAnsi(form::InstructionsText(form::kLogLineBreak));
  SetWindowTextW(handle_, instructions.c_str());
}

void LogEdit::AppendLine(std::string_view text) {
  // The log's text in the program's 8-bit form, as the appended text is.
  const int length = GetWindowTextLengthA(handle_);
  std::string log_text(length + 1, '\0');
  log_text.resize(GetWindowTextA(handle_, log_text.data(), length + 1));
  const std::wstring appendix = WideFromAnsi(form::LogLineAppendix(form::EndsLine(log_text), text));

  const int end = GetWindowTextLengthW(handle_);
  SendMessageW(handle_, EM_SETSEL, end, end);
  SendMessageW(handle_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(appendix.c_str()));
  // The append itself is not recorded; the user's earlier step could no longer be undone at its
  // recorded place.
  SendMessageW(handle_, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageW(handle_, EM_SCROLLCARET, 0, 0);
  // A run appends line by line before the window handles any message again: show each at once.
  UpdateWindow(handle_);
}

}  // namespace harnlode::win32
