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

LogEdit::End LogEdit::FindEnd() const {
  const auto send = [this](UINT message, WPARAM wparam) {
    return static_cast<int>(SendMessageW(handle_, message, wparam, 0));
  };
  const int lines = send(EM_GETLINECOUNT, 0);
  const int last_start = send(EM_LINEINDEX, lines - 1);
  const int last_length = send(EM_LINELENGTH, last_start);
  if (last_length != 0 || lines == 1) return {last_start + last_length, last_length == 0};
  // The break before an empty last line: Wine's control also breaks at a lone line feed, which
  // does not end a line of the log; a CR LF, or the CR CR LF of a soft break, does.
  const int previous_start = send(EM_LINEINDEX, lines - 2);
  const int previous_length = send(EM_LINELENGTH, previous_start);
  return {last_start, last_start - previous_start - previous_length >= 2};
}

void LogEdit::AppendLine(std::string_view text) {
  const End end = FindEnd();
  const std::wstring appendix = WideFromAnsi(form::LogLineAppendix(end.ends_line, text));
  SendMessageW(handle_, EM_SETSEL, end.position, end.position);
  SendMessageW(handle_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(appendix.c_str()));
  // The append itself is not recorded; the user's earlier step could no longer be undone at its
  // recorded place.
  SendMessageW(handle_, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageW(handle_, EM_SCROLLCARET, 0, 0);
  // A run appends line by line before the window handles any message again: show each at once.
  UpdateWindow(handle_);
}

}  // namespace harnlode::win32
