// The log: a multi-line edit control with both scroll bars, no wrapping and no limit on its
// length, in the log's bold font with a tab stop every few average characters, holding the
// instructions at first. The user may edit it; Tab is never typed into it but moves the focus
// (see TForm1's keyboard handling).
#pragma once

#include <windows.h>

#include <string_view>

namespace harnlode::win32 {

class LogEdit {
 public:
  LogEdit(HWND parent, const RECT& bounds, HFONT font);
  LogEdit(const LogEdit&) = delete;
  LogEdit& operator=(const LogEdit&) = delete;

  HWND Handle() const { return handle_; }

  // Appends the text as a new last line (form::EndsLine, form::LogLineAppendix). The caret ends
  // after it with no selection, the log scrolls to the caret, and the log's undo cannot take the
  // append back.
  void AppendLine(std::string_view text);

 private:
  // Where the text ends, and whether it ends a line (form::EndsLine), found from the control's
  // lines without reading the text back: the cost stays the same however long the log grows.
  struct End {
    int position;
    bool ends_line;
  };
  End FindEnd() const;

  HWND handle_;
};

}  // namespace harnlode::win32
