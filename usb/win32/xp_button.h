// A command button in the Office-XP manner: a standard button ("Button", its caption as its
// text), owner-drawn: flat on its page until the pointer rests on it (hot), its picture above its
// caption, pushed in while pressed; the keyboard focus shows as the hot frame without its fill,
// never as a dotted rectangle. Space presses it as any button; Enter through TForm1.
#pragma once

#include <windows.h>

#include <string>

#include "usb_form.h"

namespace harnlode::win32 {

class XpButton {
 public:
  // `bounds` in the parent's coordinates; the picture is the icon resource of the button's
  // picture name.
  XpButton(HWND parent, const form::Button& button, const RECT& bounds, int id);
  ~XpButton();
  XpButton(const XpButton&) = delete;
  XpButton& operator=(const XpButton&) = delete;

  HWND Handle() const { return handle_; }
  const form::Button& Description() const { return button_; }

  // Draws it for its parent's WM_DRAWITEM, in `font`.
  void Draw(const DRAWITEMSTRUCT& item, HFONT font) const;

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR id, DWORD_PTR self);
  void SetHot(bool hot);

  const form::Button& button_;
  HWND handle_;
  HICON picture_;
  bool hot_ = false;
};

}  // namespace harnlode::win32
