#include "navigation_pane.h"

#include "form_painting.h"
#include "screen_scale.h"

namespace harnlode::win32 {
namespace {

RECT ToRect(const form::Rect& rect) {
  return {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

form::PaneLayout Layout(int width, int height) { return form::LayOutPane({width, height}, Scaled); }

}  // namespace

NavigationPane::NavigationPane(HWND form, const RECT& bounds) {
  Create({kClassName, nullptr, nullptr, true}, WS_EX_CONTROLPARENT,
         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, nullptr, bounds, form);
}

RECT NavigationPane::PageRect(int width, int height) { return ToRect(Layout(width, height).page); }

RECT NavigationPane::OnPage(const form::Rect& design_rect) {
  const int frame = Scaled(form::kPaneFrameWidth);
  const int left = frame + Scaled(design_rect.left);
  const int top = frame + Scaled(design_rect.top);
  return {left, top, left + Scaled(design_rect.width), top + Scaled(design_rect.height)};
}

void NavigationPane::Place(const RECT& bounds, HWND page_filler) {
  SetWindowPos(Handle(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (page_filler) {
    const RECT page = PageRect(bounds.right - bounds.left, bounds.bottom - bounds.top);
    SetWindowPos(page_filler, nullptr, page.left, page.top, page.right - page.left,
                 page.bottom - page.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

LRESULT NavigationPane::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_NOTIFY:
      return SendMessageW(GetParent(Handle()), message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(Handle(), &paint);
      RECT client;
      GetClientRect(Handle(), &client);
      Paint(dc, client);
      EndPaint(Handle(), &paint);
      return 0;
    }
    default:
      break;
  }
  return Window::HandleMessage(message, wparam, lparam);
}

void NavigationPane::Paint(HDC dc, const RECT& client) const {
  PaintDrawing(dc, form::DrawPane({client.right, client.bottom}, Scaled));
}

}  // namespace harnlode::win32
