#include "xp_button.h"

#include <commctrl.h>

#include <stdexcept>

#include "ansi_text.h"
#include "colours.h"
#include "error_display.h"
#include "form_painting.h"
#include "screen_scale.h"

namespace harnlode::win32 {

XpButton::XpButton(HWND parent, const form::Button& button, const RECT& bounds, int id)
    : button_(button),
      handle_(CreateWindowExW(0, L"Button", WideFromAnsi(button.caption).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr)),
      picture_(static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), WideFromAnsi(button.picture).c_str(), IMAGE_ICON,
                     Scaled(form::kPictureSize), Scaled(form::kPictureSize), 0))) {
  if (!handle_) throw std::runtime_error("Windows refused to create a button");
  SetWindowSubclass(handle_, Subclass, 0, reinterpret_cast<DWORD_PTR>(this));
}

XpButton::~XpButton() {
  if (IsWindow(handle_)) RemoveWindowSubclass(handle_, Subclass, 0);
  if (picture_) DestroyIcon(picture_);
}

void XpButton::SetHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  InvalidateRect(handle_, nullptr, FALSE);
}

LRESULT CALLBACK XpButton::Subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR self_data) {
  auto& self = *reinterpret_cast<XpButton*>(self_data);
  return Guarded([&]() -> LRESULT {
    switch (message) {
      case WM_MOUSEMOVE:
        if (!self.hot_) {
          TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, window, 0};
          TrackMouseEvent(&leave);
          self.SetHot(true);
        }
        break;
      case WM_MOUSELEAVE:
        self.SetHot(false);
        break;
      case WM_ENABLE:
        if (!wparam) self.SetHot(false);
        break;
      // A double click is a second click, not another kind of message.
      case WM_LBUTTONDBLCLK:
        message = WM_LBUTTONDOWN;
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
  });
}

void XpButton::Draw(const DRAWITEMSTRUCT& item, HFONT font) const {
  const HDC dc = item.hDC;
  const RECT& area = item.rcItem;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  const form::ButtonLook look = form::LookOf({.pressed = (item.itemState & ODS_SELECTED) != 0,
                                              .hot = hot_,
                                              .focused = (item.itemState & ODS_FOCUS) != 0,
                                              .enabled = enabled});
  const form::Size size{area.right - area.left, area.bottom - area.top};
  PaintDrawing(dc, form::DrawButton(size, look), {area.left, area.top});

  const HGDIOBJ previous_font = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const form::ButtonContent content = form::LayOutButton(size, metrics.tmHeight, look, Scaled);
  if (picture_) {
    DrawIconEx(dc, area.left + content.picture.left, area.top + content.picture.top, picture_,
               content.picture.width, content.picture.height, 0, nullptr, DI_NORMAL);
  }
  const std::wstring caption = WideFromAnsi(button_.caption);
  RECT caption_area{area.left + content.caption.left, area.top + content.caption.top,
                    area.left + content.caption.left + content.caption.width,
                    area.top + content.caption.top + content.caption.height};
  SetBkMode(dc, TRANSPARENT);
  const COLORREF preferred = enabled ? Colour(form::kCaptionColour) : GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(dc,
               Colour(form::ReadableTextColour(ToRgb(Colour(look.background)), ToRgb(preferred))));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &caption_area,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous_font);
}

}  // namespace harnlode::win32
