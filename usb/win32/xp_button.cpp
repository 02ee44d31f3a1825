#include "xp_button.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "ansi_text.h"
#include "colours.h"
#include "error_display.h"
#include "screen_scale.h"

namespace harnlode::win32 {
namespace {

int Luminance(COLORREF colour) {
  return (GetRValue(colour) * 299 + GetGValue(colour) * 587 + GetBValue(colour) * 114) / 1000;
}

// The caption's colour follows the background it is drawn on: the system's button text where it
// stands out from it, else black or white, whichever does.
COLORREF CaptionColour(COLORREF background) {
  const COLORREF text = Colour(form::kCaptionColour);
  if (std::abs(Luminance(text) - Luminance(background)) >= 96) return text;
  return Luminance(background) >= 128 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

void FrameWith(HDC dc, const RECT& area, COLORREF fill, COLORREF border) {
  Fill(dc, area, border);
  Fill(dc, {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1}, fill);
}

}  // namespace

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
  const bool pressed = item.itemState & ODS_SELECTED;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  COLORREF background = Colour(form::kPageBackground);
  if (pressed) {
    background = Colour(form::olive::kButtonPressed);
    FrameWith(dc, area, background, Colour(form::olive::kButtonPressedBorder));
  } else if (hot_ && enabled) {
    background = Colour(form::olive::kButtonHover);
    FrameWith(dc, area, background, Colour(form::olive::kButtonHoverBorder));
  } else if (item.itemState & ODS_FOCUS) {
    // The hot frame without its fill: Enter's target stays visible, apart from a button under
    // the pointer.
    FrameWith(dc, area, background, Colour(form::olive::kButtonHoverBorder));
  } else {
    Fill(dc, area, background);
  }

  const HGDIOBJ previous_font = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int picture = Scaled(form::kPictureSize);
  const int gap = Scaled(form::kPictureCaptionGap);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // A pressed button's content moves by one pixel, as if pushed in.
  const int shift = pressed ? 1 : 0;
  const int top = area.top + std::max(0, (height - picture - gap - int{metrics.tmHeight}) / 2);
  const int left = area.left + (width - picture) / 2;
  if (picture_) {
    DrawIconEx(dc, left + shift, top + shift, picture_, picture, picture, 0, nullptr, DI_NORMAL);
  }
  const std::wstring caption = WideFromAnsi(button_.caption);
  RECT caption_area{area.left + shift, top + picture + gap + shift, area.right + shift,
                    top + picture + gap + shift + metrics.tmHeight};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, enabled ? CaptionColour(background) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &caption_area,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous_font);
}

}  // namespace harnlode::win32
