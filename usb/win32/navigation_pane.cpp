#include "navigation_pane.h"

#include <cstdint>

#include "colours.h"
#include "screen_scale.h"

namespace harnlode::win32 {
namespace {

// From `top` in its first row to `bottom` in its last, one colour a row.
void FillTopToBottom(HDC dc, const RECT& area, form::Rgb top, form::Rgb bottom) {
  const int rows = area.bottom - area.top;
  for (int row = 0; row < rows; ++row) {
    const auto mix = [&](std::uint8_t from, std::uint8_t to) {
      return static_cast<BYTE>(rows > 1 ? from + (to - from) * row / (rows - 1) : from);
    };
    Fill(dc, {area.left, area.top + row, area.right, area.top + row + 1},
         RGB(mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue)));
  }
}

RECT ToRect(const form::Rect& rect) {
  return {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
}

form::PaneLayout Layout(int width, int height) { return form::LayOutPane({width, height}, Scaled); }

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
  SetDCPenColor(dc, colour);
  const HGDIOBJ previous = SelectObject(dc, GetStockObject(DC_PEN));
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, previous);
}

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
  const int width = client.right;
  const int height = client.bottom;
  const form::PaneLayout layout = Layout(width, height);

  Fill(dc, client, Colour(form::olive::kFrame));
  Fill(dc, ToRect(layout.page), Colour(form::kPageBackground));

  const RECT splitter = ToRect(layout.splitter);
  FillTopToBottom(dc, splitter, form::olive::kSplitterTop, form::olive::kSplitterBottom);
  // A row of grip dots in the middle says that the bar is a splitter.
  const int pitch = Scaled(form::kGripPitch);
  const int dot = Scaled(form::kGripDotSize);
  const int first_dot = (splitter.left + splitter.right - 1) / 2 - form::kGripDots * pitch / 2;
  const int dot_top = splitter.top + Scaled(form::kGripTop);
  for (int i = 0; i < form::kGripDots; ++i) {
    const int x = first_dot + i * pitch;
    const int shift = Scaled(1);
    Fill(dc, {x + shift, dot_top + shift, x + shift + dot, dot_top + shift + dot},
         Colour(form::olive::kGripLight));
    Fill(dc, {x, dot_top, x + dot, dot_top + dot}, Colour(form::olive::kGripDark));
  }

  const RECT strip = ToRect(layout.strip);
  FillTopToBottom(dc, strip, form::olive::kStripTop, form::olive::kStripBottom);
  Line(dc, strip.left, strip.top, strip.right, strip.top, Colour(form::olive::kFrame));

  // The active page's selector, pressed: warm fill, dark edge at top and left.
  RECT selector = ToRect(layout.selector);
  ++selector.top;  // below the strip's top line
  FillTopToBottom(dc, selector, form::olive::kSelectedTop, form::olive::kSelectedBottom);
  const COLORREF edge = Colour(form::olive::kSelectedBorder);
  Line(dc, selector.left, selector.top, selector.right, selector.top, edge);
  Line(dc, selector.left, selector.top, selector.left, selector.bottom, edge);
}

}  // namespace harnlode::win32
